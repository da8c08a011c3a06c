#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QVBoxLayout>

#include "../underwine.h"
#include "output/aboutbox.h"
#include "output/commondialog.h"
#include "output/printcommands.h"
#include "output/scripteddialogbackend.h"
#include "recordingsink.h"

namespace {

QString Run(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The text extraction does not keep blanks reliably (none between Chinese characters).
QString NoBlanks(QString text) {
    return text.remove(QRegularExpression("\\s"));
}

const QStringList kLines = {QString::fromUtf8("组 数        数 值"), "1  12.34mA", "2  0.567A",
                            "3  0L"};

}  // namespace

class TestPrintCommands : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void printReport_data();
    void printReport();
    void printWindowImage();
    void messages_data();
    void messages();

  private:
    QTemporaryDir dir_;
    output::ScriptedDialogBackend backend_;
    RecordingSink sink_;
};

void TestPrintCommands::initTestCase() {
    // The output folder is made below the home folder.
    qputenv("HOME", dir_.path().toLocal8Bit());
}

void TestPrintCommands::printReport_data() {
    QTest::addColumn<int>("selectedLine");  // -1: nothing selected
    QTest::addColumn<bool>("userChoseAll");
    QTest::addColumn<int>("flags");
    QTest::addColumn<QStringList>("printed");
    QTest::newRow("whole report") << -1 << false << 264 << kLines;
    QTest::newRow("selection") << 2 << false << 265 << QStringList{kLines[2]};
    QTest::newRow("selection, user chose all") << 2 << true << 265 << kLines;
}

void TestPrintCommands::printReport() {
    QFETCH(int, selectedLine);
    QFETCH(bool, userChoseAll);
    QFETCH(int, flags);
    QFETCH(QStringList, printed);
    const QString pdf = dir_.filePath(QTest::currentDataTag() + QString(".pdf"));
    QTextEdit report;
    report.setPlainText(kLines.join("\r\n"));
    if (selectedLine >= 0) {
        QTextCursor cursor(report.document()->findBlockByNumber(selectedLine));
        cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        report.setTextCursor(cursor);
    }
    output::CommonDialog dialog(backend_);
    backend_.acceptPrinter(pdf, userChoseAll ? std::optional(QPrinter::AllPages) : std::nullopt);
    output::mnuprint_Click(dialog, 2, nullptr, &report, sink_);

    QCOMPARE(backend_.printerRequests.last().flags, flags);
    if (underWine()) QSKIP("the PDF is read back with poppler's tools, Linux programs");
    const QString text = NoBlanks(Run("pdftotext", {"-enc", "UTF-8", pdf, "-"}));
    for (const QString& line : kLines)
        QVERIFY2(text.contains(NoBlanks(line)) == printed.contains(line), qPrintable(line));
}

void TestPrintCommands::printWindowImage() {
    const QString pdf = dir_.filePath("window.pdf");
    QWidget window;
    window.resize(400, 300);
    (new QVBoxLayout(&window))->addWidget(new QLabel("12.34 mA"));
    QTextEdit report;  // hidden in real-time monitoring, not printed
    report.setPlainText("report text");
    output::CommonDialog dialog(backend_);
    backend_.acceptPrinter(pdf);
    output::mnuprint_Click(dialog, 1, &window, &report, sink_);

    if (underWine()) QSKIP("the PDF is read back with poppler's tools, Linux programs");
    QVERIFY(!Run("pdftotext", {pdf, "-"}).contains("report"));
    // One picture in the file: the window at its own size.
    const QStringList rows = Run("pdfimages", {"-list", pdf}).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(rows.size(), 3);  // two heading lines, one image
    const QStringList columns = rows[2].split(' ', Qt::SkipEmptyParts);
    QCOMPARE(columns.mid(3, 2), (QStringList{"400", "300"}));
}

void TestPrintCommands::messages_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("fail");
    QTest::addColumn<int>("beeps");
    QTest::addColumn<QStringList>("box");  // icon, title, text; empty: no box
    const QString why = "No printers are installed.";
    QTest::newRow("print fails") << "print" << true << 1
                                 << QStringList{"warning", "Printing Error!",
                                                QString::fromUtf8("文件打印出错.\r\n") + why};
    QTest::newRow("setup fails") << "setup" << true << 1
                                 << QStringList{"warning", "Printsetting Error!",
                                                QString::fromUtf8("打印设置出错.\r\n") + why};
    // The dialog was answered, but the PDF file cannot be made: its folder is a plain file.
    const QString unwritable = dir_.filePath("plain/report.pdf");
    QTest::newRow("print job refused")
        << "print to" << false << 1
        << QStringList{"warning", "Printing Error!",
                       QString::fromUtf8("文件打印出错.\r\ncannot print to ") +
                           QDir::toNativeSeparators(unwritable)};
    QTest::newRow("print cancelled") << "print" << false << 0 << QStringList{};
    QTest::newRow("setup cancelled") << "setup" << false << 0 << QStringList{};
    QTest::newRow("about") << "about" << false << 0
                           << QStringList{"information", QString::fromUtf8("欢迎使用我们公司产品"),
                                          QString::fromUtf8(
                                              "dererovuvovV1.1(CN)\r   如需帮助请联系我们!\r")};
}

void TestPrintCommands::messages() {
    QFETCH(QString, command);
    QFETCH(bool, fail);
    QFETCH(int, beeps);
    QFETCH(QStringList, box);
    QTextEdit report;
    report.setPlainText("x");
    output::CommonDialog dialog(backend_);
    dialog.Printer()->setOutputFileName(dir_.filePath("cancelled.pdf"));
    if (command == "print to") {
        QFile plain(dir_.filePath("plain"));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        backend_.acceptPrinter(dir_.filePath("plain/report.pdf"));
    } else if (command != "about") {
        fail ? backend_.fail("No printers are installed.") : backend_.cancel();
    }
    sink_.beeps = 0;
    sink_.boxes.clear();
    if (command.startsWith("print")) output::mnuprint_Click(dialog, 2, nullptr, &report, sink_);
    if (command == "setup") output::mnuprintsetting_Click(dialog, nullptr, sink_);
    if (command == "about") output::mnuaboutus_Click(nullptr, sink_);

    QCOMPARE(sink_.beeps, beeps);
    QCOMPARE(sink_.boxes.size(), box.isEmpty() ? 0 : 1);
    if (!box.isEmpty())
        QCOMPARE((QStringList{sink_.boxes[0].icon, sink_.boxes[0].title, sink_.boxes[0].text}),
                 box);
    QVERIFY(!QFile::exists(dir_.filePath("cancelled.pdf")));
}

QTEST_MAIN(TestPrintCommands)
#include "tst_printcommands.moc"
