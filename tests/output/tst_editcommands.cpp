#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QVBoxLayout>

#include "output/editcommands.h"
#include "output/reportview.h"

class TestEditCommands : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void paging_data();
    void paging();
    void editing_data();
    void editing();
    void undoAfterPaste();
    void pastingNothing_data();
    void pastingNothing();

  private:
    // The main window in miniature: the alarm-value box, the report view, another text box.
    QScopedPointer<QWidget> window_;
    QLineEdit* box_ = nullptr;
    QTextEdit* report_ = nullptr;
    QPlainTextEdit* plain_ = nullptr;
};

void TestEditCommands::init() {
    window_.reset(new QWidget);
    auto* layout = new QVBoxLayout(window_.data());
    layout->addWidget(box_ = new QLineEdit("1000"));
    layout->addWidget(report_ = new QTextEdit);
    layout->addWidget(plain_ = new QPlainTextEdit);
    window_->resize(400, 400);
    window_->show();
    QApplication::setActiveWindow(window_.data());
    QVERIFY(QTest::qWaitForWindowActive(window_.data()));
}

void TestEditCommands::paging_data() {
    QTest::addColumn<bool>("down");
    QTest::addColumn<int>("startLine");
    QTest::addColumn<int>("pages");
    QTest::newRow("down from the top") << true << 0 << 1;
    QTest::newRow("up from the middle") << false << 100 << -1;
    QTest::newRow("up at the top") << false << 0 << 0;
}

void TestEditCommands::paging() {
    QFETCH(bool, down);
    QFETCH(int, startLine);
    QFETCH(int, pages);
    QStringList lines;
    for (int i = 1; i <= 200; ++i) lines << QString("%1          %2.00mA").arg(i).arg(i * 3);
    report_->setPlainText(lines.join("\r\n"));
    const QTextBlock start = report_->document()->findBlockByNumber(startLine);
    report_->setTextCursor(QTextCursor(start));
    report_->verticalScrollBar()->setValue(
        int(report_->document()->documentLayout()->blockBoundingRect(start).top()));
    box_->setFocus();  // the focus is elsewhere when the button is pressed
    QTRY_VERIFY(box_->hasFocus());
    const auto firstVisible = [&] { return report_->cursorForPosition({2, 2}).blockNumber(); };
    QCOMPARE(firstVisible(), startLine);
    const int page = report_->viewport()->height() / report_->fontMetrics().lineSpacing();

    down ? output::Command8_Click(report_) : output::Command7_Click(report_);
    QVERIFY(report_->hasFocus());
    const int moved = firstVisible() - startLine;
    QVERIFY2(qAbs(moved - pages * page) <= 1,
             qPrintable(QString("moved %1, page %2").arg(moved).arg(page)));
    QVERIFY(report_->viewport()->rect().contains(report_->cursorRect().center()));  // caret follows
}

void TestEditCommands::editing_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");  // selection; from == to: just the caret
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("clipboard");
    for (const char* kind : {"line", "rich", "plain"}) {
        const auto row = [&](const char* name) -> QTestData& {
            return QTest::addRow("%s %s", kind, name);
        };
        row("cut") << kind << false << "cut" << 0 << 2 << "34"
                   << "12";
        row("copy") << kind << false << "copy" << 1 << 3 << "1234"
                    << "23";
        row("paste") << kind << false << "paste" << 1 << 3 << "1ab4"
                     << "ab";
        row("delete selection") << kind << false << "delete" << 1 << 3 << "14"
                                << "ab";
        row("delete after caret") << kind << false << "delete" << 1 << 1 << "134"
                                  << "ab";
        row("delete at end") << kind << false << "delete" << 4 << 4 << "1234"
                             << "ab";
        row("read-only cut") << kind << true << "cut" << 0 << 2 << "1234"
                             << "ab";
        row("read-only delete") << kind << true << "delete" << 0 << 2 << "1234"
                                << "ab";
        row("read-only copy") << kind << true << "copy" << 0 << 2 << "1234"
                              << "12";
    }
}

void TestEditCommands::editing() {
    QFETCH(QString, kind);
    QFETCH(bool, readOnly);
    QFETCH(QString, command);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QString, text);
    QFETCH(QString, clipboard);
    // The report view holds a selection of its own; the command must not touch it.
    report_->setPlainText("report");
    report_->selectAll();
    QWidget* editor = box_;
    std::function<QString()> content = [&] { return box_->text(); };
    box_->setText("1234");
    box_->setReadOnly(readOnly);
    box_->setSelection(from, to - from);
    if (kind != "line") {
        QTextCursor cursor(kind == "rich" ? report_->document() : plain_->document());
        if (kind == "rich")
            report_->setPlainText("1234");
        else
            plain_->setPlainText("1234");
        cursor.setPosition(from);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        if (kind == "rich") {
            report_->setReadOnly(readOnly);
            report_->setTextCursor(cursor);
            editor = report_;
            content = [&] { return report_->toPlainText(); };
        } else {
            plain_->setReadOnly(readOnly);
            plain_->setTextCursor(cursor);
            editor = plain_;
            content = [&] { return plain_->toPlainText(); };
        }
    }
    QApplication::clipboard()->setText("ab");
    editor->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), editor);

    if (command == "cut") output::mnux_Click();
    if (command == "copy") output::mnucopy_Click();
    if (command == "paste") output::mnupaste_Click();
    if (command == "delete") output::mnudelete_Click();
    QCOMPARE(content(), text);
    QCOMPARE(QApplication::clipboard()->text(), clipboard);
    QCOMPARE(QApplication::focusWidget(), editor);
}

void TestEditCommands::undoAfterPaste() {
    report_->setPlainText(QString::fromUtf8("组 数        数 值\r\n  1          12.34mA"));
    const QString before = report_->toPlainText();
    report_->moveCursor(QTextCursor::End);
    report_->setFocus();
    QTRY_VERIFY(report_->hasFocus());
    QApplication::clipboard()->setText(QString::fromUtf8("\n  2          粘贴"));
    output::mnupaste_Click();
    QCOMPARE(report_->toPlainText(), before + QString::fromUtf8("\n  2          粘贴"));
    output::mnucancel_Click();
    QCOMPARE(report_->toPlainText(), before);
}

void TestEditCommands::pastingNothing_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("how");  // the menu command, or the keys
    for (const char* kind : {"report", "line", "plain"})
        QTest::addRow("%s, menu", kind) << kind << "menu";
    QTest::newRow("report, Ctrl+V") << "report"
                                    << "Ctrl+V";
    QTest::newRow("report, Shift+Insert") << "report"
                                          << "Shift+Insert";
    QTest::newRow("line, Ctrl+V") << "line"
                                  << "Ctrl+V";
}

void TestEditCommands::pastingNothing() {
    QFETCH(QString, kind);
    QFETCH(QString, how);
    auto* view = new output::ReportView;
    window_->layout()->addWidget(view);
    QWidget* editor = kind == "report" ? static_cast<QWidget*>(view)
                      : kind == "line" ? static_cast<QWidget*>(box_)
                                       : static_cast<QWidget*>(plain_);
    view->setPlainText("1234");
    plain_->setPlainText("1234");
    box_->setText("1234");
    const auto content = [&] {
        return kind == "report" ? view->toPlainText()
               : kind == "line" ? box_->text()
                                : plain_->toPlainText();
    };
    // What the clipboard holds when nothing has been copied since login.
    QApplication::clipboard()->setMimeData(new QMimeData);
    editor->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), editor);

    if (how == "menu")
        output::mnupaste_Click();
    else
        QTest::keySequence(editor, QKeySequence(how));
    QCOMPARE(content(), QStringLiteral("1234"));
    QVERIFY(!view->document()->isModified());
}

QTEST_MAIN(TestEditCommands)
#include "tst_editcommands.moc"
