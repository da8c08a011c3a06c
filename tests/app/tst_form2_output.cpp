// Saving, printing, paging, editing and the about box from the real window, with the
// platform dialogs and message boxes scripted.
#include <unistd.h>
#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextEdit>
#include <QtTest>
#include <cstdio>

#include "../output/recordingsink.h"
#include "app/form2.h"
#include "formcontrols.h"
#include "measure/historyreport.h"
#include "output/aboutbox.h"
#include "output/outputfolder.h"
#include "output/scripteddialogbackend.h"

using app::Form2;

namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray Groups(int n) {
    QByteArray b;
    for (int k = 1; k <= n; ++k) b.append(char(k % 100)).append(char(k % 97)).append(char(1));
    return b;
}

// What the program prints on stderr between construction and take().
class StderrCapture {
  public:
    StderrCapture() {
        std::fflush(stderr);
        file_.open();
        saved_ = dup(STDERR_FILENO);
        dup2(file_.handle(), STDERR_FILENO);
    }
    ~StderrCapture() { take(); }
    QByteArray take() {
        if (saved_ < 0) return {};
        std::fflush(stderr);
        dup2(saved_, STDERR_FILENO);
        close(saved_);
        saved_ = -1;
        file_.seek(0);
        return file_.readAll();
    }

  private:
    QTemporaryFile file_;
    int saved_ = -1;
};

}  // namespace

class TstForm2Output : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void saveFollowsTheMode();
    void reportSaveCancelAndFailure();
    void failedSaveIsSaid_data();
    void failedSaveIsSaid();
    void printReportSelection();
    void printWindowShowsClientArea();
    void printFailureIsReported();
    void pagingAndEditing();
    void aboutBox();

  private:
    void History() {
        Ctl<QRadioButton>(*w_, "Option2")->click();
        Ctl<QTextEdit>(*w_, "RichTextBox1")
            ->setPlainText(measure::BuildHistoryReport(Groups(120), 120));
    }
    std::unique_ptr<QTemporaryDir> homeDir_;
    QTemporaryDir& home() { return *homeDir_; }
    // The save folder: in the test's own home on Linux; on Windows the fixed c:\Zentravolix,
    // which each case needs empty and leaves empty.
    static QString folder() { return QDir::fromNativeSeparators(output::outputFolder()); }
    static QString inFolder(const QString& name) { return folder() + '/' + name; }
    bool cleanFolder_ = false;
    QByteArray oldHome_;
    output::ScriptedDialogBackend dialogs_;
    RecordingSink sink_;
    Form2* w_ = nullptr;
};

void TstForm2Output::init() {
    homeDir_ = std::make_unique<QTemporaryDir>();
    oldHome_ = qgetenv("HOME");
    qputenv("HOME", home().path().toUtf8());
#ifdef Q_OS_WIN
    if (!QDir(folder()).entryList(QDir::Files).isEmpty())
        QSKIP("c:\\Zentravolix holds files; these cases need it empty");
    cleanFolder_ = true;
#endif
    dialogs_ = output::ScriptedDialogBackend();
    sink_ = RecordingSink();
    serial::PortMap m;
    m.addMapping(QStringLiteral("COM1=") + home().filePath("none"));
    w_ = new Form2(m, &dialogs_, &sink_);
    w_->show();
    QVERIFY(QTest::qWaitForWindowExposed(w_));
}

void TstForm2Output::cleanup() {
    delete w_;
    w_ = nullptr;
    if (cleanFolder_) {
        QDir dir(folder());
        for (const QString& name : dir.entryList(QDir::Files)) dir.remove(name);
        QFile::remove(folder());  // a plain file in the folder's place
        QDir().rmdir(folder());
        cleanFolder_ = false;
    }
    qputenv("HOME", oldHome_);
}

void TstForm2Output::saveFollowsTheMode() {
    const QString dir = folder();

    // Real-time monitoring: Ctrl+S saves the chart as it is drawn.
    dialogs_.acceptSave();
    QTest::keyClick(w_, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(dialogs_.saveRequests.size(), 1);
    QCOMPARE(dialogs_.saveRequests[0].initDir, output::outputFolder());
    const QString bmp = dir + "/Zentravolix.bmp";
    QImageReader reader(bmp);
    QCOMPARE(reader.format(), QByteArray("bmp"));
    const QImage saved = reader.read();
    QCOMPARE(saved.size(), Ctl<charts::DrawingSurface>(*w_, "Picture1")->size());
    QCOMPARE(saved.convertToFormat(QImage::Format_RGB32),
             Ctl<charts::DrawingSurface>(*w_, "Picture1")
                 ->image()
                 .convertToFormat(QImage::Format_RGB32));

    // History query: the same command saves the report text, as the button does.
    History();
    dialogs_.acceptSave();
    Ctl<QAction>(*w_, "mnusave")->trigger();
    const QByteArray expected = measure::BuildHistoryReport(Groups(120), 120).toUtf8();
    QCOMPARE(ReadAll(dir + "/Zentravolix.txt"), expected);

    // After the text save the next image save proposes .bmp again.
    Ctl<QRadioButton>(*w_, "Option1")->click();
    dialogs_.acceptSave(dir + "/chart.jpg", 2);
    Ctl<QAction>(*w_, "mnusave")->trigger();
    QCOMPARE(dialogs_.saveRequests.last().defaultExt, QStringLiteral(".bmp"));
    QCOMPARE(QImageReader(dir + "/chart.jpg").format(), QByteArray("jpeg"));
    dialogs_.cancel();
    Ctl<QAction>(*w_, "mnusave")->trigger();
    QCOMPARE(dialogs_.saveRequests.last().defaultExt, QStringLiteral(".jpg"));
}

void TstForm2Output::reportSaveCancelAndFailure() {
    History();
    const QString before = Ctl<QTextEdit>(*w_, "RichTextBox1")->toPlainText();
    dialogs_.cancel();
    Ctl<QPushButton>(*w_, "Command5")->click();
    QVERIFY(QDir(folder()).exists());  // made before the dialog opened
    QVERIFY(QDir(folder()).isEmpty());

    // A target that cannot be written: the view keeps its text, the old file its bytes.
    QFile blocker(home().filePath("plainfile"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.write("keep");
    blocker.close();
    dialogs_.acceptSave(home().filePath("plainfile/report.txt"));
    Ctl<QPushButton>(*w_, "Command5")->click();
    QCOMPARE(Ctl<QTextEdit>(*w_, "RichTextBox1")->toPlainText(), before);
    QCOMPARE(ReadAll(home().filePath("plainfile")), QByteArray("keep"));
    QCOMPARE(sink_.boxes.size(), 1);  // the failure is said (see failedSaveIsSaid)

    // Clear, then save: the three heading lines only.
    Ctl<QPushButton>(*w_, "Command6")->click();
    dialogs_.acceptSave();
    Ctl<QPushButton>(*w_, "Command5")->click();
    QCOMPARE(ReadAll(inFolder("Zentravolix.txt")), measure::ReportHeader().toUtf8());
}

void TstForm2Output::failedSaveIsSaid_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("byButton");  // "保存" in history query, else Ctrl+S
    QTest::addColumn<bool>("cancel");
    QTest::newRow("chart image, Ctrl+S") << 1 << false << false;
    QTest::newRow("report, Ctrl+S") << 2 << false << false;
    QTest::newRow("report, button") << 2 << true << false;
    QTest::newRow("chart image cancelled") << 1 << false << true;
    QTest::newRow("report cancelled") << 2 << true << true;
}

void TstForm2Output::failedSaveIsSaid() {
    QFETCH(int, mode);
    QFETCH(bool, byButton);
    QFETCH(bool, cancel);
    if (mode == 2) History();
    // The output folder's name is taken by a plain file: it cannot be made, nor written in.
    QDir().rmdir(folder());  // Windows: left empty by the case before
    QFile blocker(folder());
    QVERIFY(blocker.open(QIODevice::WriteOnly) && blocker.write("keep") == 4);
    blocker.close();
    const QString status = Ctl<QLabel>(*w_, "Label6")->text();
    const QString path = inFolder(mode == 1 ? "chart.bmp" : "r.txt");
    const QString shown = QDir::toNativeSeparators(path);  // as the system writes it
    cancel ? dialogs_.cancel() : dialogs_.acceptSave(path);

    StderrCapture err;
    if (byButton)
        Ctl<QPushButton>(*w_, "Command5")->click();
    else
        QTest::keyClick(w_, Qt::Key_S, Qt::ControlModifier);
    const QByteArray printed = err.take();

    QCOMPARE(dialogs_.saveRequests.size(), 1);
    // The folder could not be made: the dialog opens in the user's home.
    QCOMPARE(dialogs_.saveRequests[0].initDir, QDir::toNativeSeparators(QDir::homePath()));
    if (cancel) {
        QCOMPARE(Ctl<QLabel>(*w_, "Label6")->text(), status);
        QCOMPARE(printed, QByteArray());
    } else {
        QCOMPARE(Ctl<QLabel>(*w_, "Label6")->text(), QStringLiteral("保存失败") + shown);
        QCOMPARE(printed.count('\n'), 1);
        QVERIFY2(printed.startsWith("leakmeter: ") && printed.contains(shown.toLocal8Bit()),
                 printed.constData());
    }
    QCOMPARE(ReadAll(folder()), QByteArray("keep"));
    // The status line is soon overwritten; a failure is also said in a box, with its reason.
    QCOMPARE(sink_.boxes.size(), cancel ? 0 : 1);
    if (!cancel) {
        QCOMPARE(sink_.boxes[0].icon, QStringLiteral("warning"));
        QCOMPARE(sink_.boxes[0].title, QStringLiteral("保存失败"));
        QVERIFY(sink_.boxes[0].text.startsWith(QStringLiteral("保存失败") + shown + "\r\n"));
        QVERIFY(sink_.boxes[0].text.size() > QString("保存失败" + shown + "\r\n").size());
    }
}

void TstForm2Output::printReportSelection() {
    if (QStandardPaths::findExecutable("pdftotext").isEmpty()) QSKIP("pdftotext not installed");
    History();
    QTextCursor c = Ctl<QTextEdit>(*w_, "RichTextBox1")->textCursor();
    c.movePosition(QTextCursor::Start);
    c.movePosition(QTextCursor::Down, QTextCursor::MoveAnchor, 5);
    c.movePosition(QTextCursor::Down, QTextCursor::KeepAnchor, 2);
    Ctl<QTextEdit>(*w_, "RichTextBox1")->setTextCursor(c);

    const QString pdf = home().filePath("report.pdf");
    dialogs_.acceptPrinter(pdf);
    QTest::keyClick(w_, Qt::Key_P, Qt::ControlModifier);
    QCOMPARE(dialogs_.printerRequests.size(), 1);
    QCOMPARE(dialogs_.printerRequests[0].flags, 265);

    QProcess p;
    p.start("pdftotext", {"-layout", pdf, "-"});
    QVERIFY(p.waitForFinished(10000));
    const QString text = QString::fromUtf8(p.readAllStandardOutput());
    QVERIFY2(text.contains("003") && text.contains("004"), qPrintable(text));
    QVERIFY2(!text.contains("001") && !text.contains("006"), qPrintable(text));
    QVERIFY(sink_.boxes.isEmpty());
}

void TstForm2Output::printWindowShowsClientArea() {
    if (QStandardPaths::findExecutable("pdfimages").isEmpty()) QSKIP("pdfimages not installed");
    const QString pdf = home().filePath("window.pdf");
    dialogs_.acceptPrinter(pdf);
    QTest::keyClick(w_, Qt::Key_P, Qt::ControlModifier);
    QCOMPARE(dialogs_.printerRequests.size(), 1);
    QCOMPARE(dialogs_.printerRequests[0].printFileName, inFolder("Zentravolix.pdf"));

    // The page holds one picture: the client area, menu bar left out.
    QProcess p;
    p.start("pdfimages", {"-list", pdf});
    QVERIFY(p.waitForFinished(10000));
    const QStringList rows =
        QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(rows.size(), 3);  // two heading lines, one image
    const QSize client = w_->centralWidget()->size();
    QCOMPARE(rows[2].split(' ', Qt::SkipEmptyParts).mid(3, 2),
             (QStringList{QString::number(client.width()), QString::number(client.height())}));
}

void TstForm2Output::printFailureIsReported() {
    dialogs_.fail(QStringLiteral("No printers are installed."));
    Ctl<QAction>(*w_, "mnuprint")->trigger();
    QCOMPARE(sink_.beeps, 1);
    QCOMPARE(sink_.boxes.size(), 1);
    QCOMPARE(sink_.boxes[0].icon, QStringLiteral("warning"));
    QCOMPARE(sink_.boxes[0].title, QStringLiteral("Printing Error!"));
    QCOMPARE(sink_.boxes[0].text, QStringLiteral("文件打印出错.\r\nNo printers are installed."));

    dialogs_.cancel();
    Ctl<QAction>(*w_, "mnuprintsetting")->trigger();
    QCOMPARE(dialogs_.printerRequests.last().flags, 328);
    QCOMPARE(sink_.boxes.size(), 1);  // cancel is silent
}

void TstForm2Output::pagingAndEditing() {
    History();
    Ctl<QLineEdit>(*w_, "Text1")->setFocus();
    QScrollBar* bar = Ctl<QTextEdit>(*w_, "RichTextBox1")->verticalScrollBar();
    QCOMPARE(bar->value(), 0);
    QTest::keyClick(w_, Qt::Key_F2);  // page down, wherever the focus was
    QTRY_VERIFY(bar->value() > 0);
    QTRY_VERIFY(Ctl<QTextEdit>(*w_, "RichTextBox1")->hasFocus());
    const int down = bar->value();
    Ctl<QPushButton>(*w_, "Command7")->click();  // and back up
    QTRY_VERIFY(bar->value() < down);

    // Copy acts on the focused box, not on the report.
    Ctl<QRadioButton>(*w_, "Option1")->click();
    Ctl<QLineEdit>(*w_, "Text1")->setText(QStringLiteral("123.5"));
    Ctl<QLineEdit>(*w_, "Text1")->setFocus();
    Ctl<QLineEdit>(*w_, "Text1")->selectAll();
    QTRY_VERIFY(Ctl<QLineEdit>(*w_, "Text1")->hasFocus());
    Ctl<QAction>(*w_, "mnucopy")->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("123.5"));
    // Ctrl+D deletes like a plain Delete key.
    Ctl<QLineEdit>(*w_, "Text1")->setCursorPosition(0);
    QTest::keyClick(w_, Qt::Key_D, Qt::ControlModifier);
    QCOMPARE(Ctl<QLineEdit>(*w_, "Text1")->text(), QStringLiteral("23.5"));
}

void TstForm2Output::aboutBox() {
    for (int mode = 1; mode <= 2; ++mode) {
        (mode == 1 ? Ctl<QRadioButton>(*w_, "Option1") : Ctl<QRadioButton>(*w_, "Option2"))
            ->click();
        QTest::keyClick(w_, Qt::Key_H, Qt::ControlModifier);
    }
    // Also while a text box has the keyboard: the accelerator is the window's.
    Ctl<QRadioButton>(*w_, "Option1")->click();
    Ctl<QLineEdit>(*w_, "Text1")->setFocus();
    QTest::keyClick(Ctl<QLineEdit>(*w_, "Text1"), Qt::Key_H, Qt::ControlModifier);
    QCOMPARE(sink_.boxes.size(), 3);
    for (const RecordedMessage& m : sink_.boxes) {
        QCOMPARE(m.icon, QStringLiteral("information"));
        QCOMPARE(m.title, QStringLiteral("欢迎使用我们公司产品"));
        QCOMPARE(m.text, QStringLiteral("dererovuvovV1.1(CN)\r   如需帮助请联系我们!\r"));
    }
}

QTEST_MAIN(TstForm2Output)
#include "tst_form2_output.moc"
