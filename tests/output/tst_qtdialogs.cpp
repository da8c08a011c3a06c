// Qt's own dialogs as the user meets them: in Chinese, the save dialog's type deciding
// the extension of a bare name, and the print dialog offering only what the flags allow.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

#include "output/commondialog.h"
#include "output/dialoglanguage.h"
#include "output/qtdialogbackend.h"
#include "output/savecommands.h"

namespace {

// Runs `act` on the first modal dialog of type T that opens while `run` executes; a dialog
// left open after ten seconds is closed, so a failure cannot hang the run.
template <typename T>
void WhileModal(const std::function<void(T*)>& act, const std::function<void()>& run) {
    QTimer poll;
    QElapsedTimer since;
    since.start();
    bool done = false;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (dialog && !done) {
            done = true;
            act(dialog);
        } else if (since.elapsed() > 10000 && QApplication::activeModalWidget()) {
            QApplication::activeModalWidget()->close();
        }
    });
    poll.start(20);
    run();
}

// Gives `w` the keyboard, as a click would.
bool Focus(QWidget* w) {
    w->activateWindow();
    w->setFocus(Qt::OtherFocusReason);
    return QTest::qWaitFor([w] { return QApplication::focusWidget() == w; }, 5000);
}

}  // namespace

class TstQtDialogs : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void standardButtons_data();
    void standardButtons();
    void saveDialogTypeGivesExtension();
    void printDialogOffers_data();
    void printDialogOffers();
};

void TstQtDialogs::initTestCase() {
    QVERIFY2(!output::installQtChineseTranslations().isEmpty(),
             "qt_zh_CN.qm not found: install qt6-translations-l10n");
}

void TstQtDialogs::standardButtons_data() {
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("text");
    QTest::newRow("OK") << int(QMessageBox::Ok) << QString::fromUtf8("确定");
    QTest::newRow("Cancel") << int(QMessageBox::Cancel) << QString::fromUtf8("取消");
}

void TstQtDialogs::standardButtons() {
    QFETCH(int, button);
    QFETCH(QString, text);
    QMessageBox box(QMessageBox::Warning, "Printing Error!", "x",
                    QMessageBox::StandardButton(button));
    QCOMPARE(box.button(QMessageBox::StandardButton(button))->text().remove('&'), text);
}

void TstQtDialogs::saveDialogTypeGivesExtension() {
    QTemporaryDir dir;
    output::SaveRequest request;
    request.fileName = "Zentravolix";
    request.filters = output::parseFilter(QString::fromUtf8(output::kImageFilter));
    request.filterIndex = 1;
    request.defaultExt = ".bmp";
    request.initDir = dir.path();

    QString title;
    QStringList types;
    bool focused = false;
    output::QtDialogBackend backend;
    output::BackendAnswer answer;
    WhileModal<QFileDialog>(
        [&](QFileDialog* dialog) {
            title = dialog->windowTitle();
            auto* typeList = dialog->findChild<QComboBox*>("fileTypeCombo");
            auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
            if (!typeList || !name) return dialog->reject();
            for (int i = 0; i < typeList->count(); ++i) types << typeList->itemText(i);
            // The user picks the second type with the keyboard and keeps the proposed name.
            focused = Focus(typeList);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
            focused = focused && Focus(name);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        },
        [&] { answer = backend.runSave(request); });

    QVERIFY(focused);
    QCOMPARE(title, QString::fromUtf8("另存为"));
    QCOMPARE(types, (QStringList{QString::fromUtf8("位图格式 (*.bmp)"),
                                 QString::fromUtf8("jpg格式 (*.jpg)")}));
    QCOMPARE(int(answer.kind), int(output::DialogOutcome::Kind::Accepted));
    QCOMPARE(answer.filterIndex, 2);
    QCOMPARE(answer.path, QDir(dir.path()).filePath("Zentravolix.jpg"));
}

void TstQtDialogs::printDialogOffers_data() {
    QTest::addColumn<int>("flags");
    QTest::addColumn<bool>("pageRange");
    QTest::addColumn<bool>("selection");
    QTest::newRow("print") << 264 << false << false;
    QTest::newRow("print with a selection") << 265 << false << true;
    QTest::newRow("flags allowing page ranges") << 256 << true << false;
}

void TstQtDialogs::printDialogOffers() {
    QFETCH(int, flags);
    QFETCH(bool, pageRange);
    QFETCH(bool, selection);
    QTemporaryDir dir;
    const QString proposal = QDir(dir.path()).filePath("Zentravolix.pdf");
    QPrinter printer;
    QPrintDialog dialog(&printer);
    output::PrinterRequest request;
    request.flags = flags;
    request.printFileName = proposal;
    output::setUpPrintDialog(dialog, request);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    QCOMPARE(dialog.windowTitle(), QString::fromUtf8("打印"));
    auto* range = dialog.findChild<QGroupBox*>("gbPrintRange");
    QVERIFY(range);
    // The range box sits in the options part, which the user unfolds with its button.
    auto offered = [&](const char* name) {
        auto* w = range->findChild<QWidget*>(name);
        return w && !range->isHidden() && w->isVisibleTo(range) && w->isEnabled();
    };
    QCOMPARE(offered("printRange"), pageRange);
    QCOMPARE(offered("printSelection"), selection);
    QVERIFY(offered("printAll"));
    QVERIFY(!offered("pagesRadioButton") || pageRange);
    auto* file = dialog.findChild<QLineEdit*>("filename");
    QVERIFY(file);
    QCOMPARE(file->text(), QDir::toNativeSeparators(proposal));
    dialog.reject();
}

QTEST_MAIN(TstQtDialogs)
#include "tst_qtdialogs.moc"
