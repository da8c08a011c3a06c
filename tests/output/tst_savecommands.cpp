#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include "output/commondialog.h"
#include "output/outputfolder.h"
#include "output/savecommands.h"
#include "output/scripteddialogbackend.h"

namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

QImage Chart(QColor trace = Qt::green) {
    QImage image(301, 173, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter p(&image);
    p.setPen(Qt::white);
    p.drawRect(10, 10, 280, 150);
    p.setPen(trace);
    p.drawLine(10, 150, 290, 20);
    return image;
}

// Mean absolute difference per channel, for the lossy format.
double MeanDifference(const QImage& a, const QImage& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}

const QString kReport =
    QString::fromUtf8("组 数        数 值\r\n  1          12.34mA\r\n  2          0L");

}  // namespace

class TestSaveCommands : public QObject {
    Q_OBJECT
  private slots:
    void cleanup();
    void init();
    void menuSave_data();
    void menuSave();
    void saveImage_data();
    void saveImage();
    void extensionFollowsLastConfirmedType();
    void imageIsTakenWhenDialogCloses();
    void failuresLeaveEverything();
    void dataLogPath_data();
    void dataLogPath();
    void failureIsExplained_data();
    void failureIsExplained();

  private:
    QScopedPointer<QTemporaryDir> home_;
    bool cleanFolder_ = false;  // the fixed output folder was empty before this case
    output::ScriptedDialogBackend backend_;
};

void TestSaveCommands::cleanup() {
    if (!cleanFolder_) return;
    QDir folder(output::outputFolder());
    for (const QString& name : folder.entryList(QDir::Files)) folder.remove(name);
    cleanFolder_ = false;
}

void TestSaveCommands::init() {
    home_.reset(new QTemporaryDir);
    qputenv("HOME", home_->path().toLocal8Bit());
#ifdef Q_OS_WIN
    // The meter's PC has one fixed folder for every user. Each case starts with it empty and
    // removes what it wrote there; a folder that holds files already is left alone.
    QCOMPARE(output::outputFolder(), QStringLiteral("c:\\Zentravolix"));
    if (!QDir(output::outputFolder()).entryList(QDir::Files).isEmpty())
        QSKIP("c:\\Zentravolix holds files; these cases need it empty");
    cleanFolder_ = true;
#else
    QCOMPARE(output::outputFolder(), home_->filePath("Zentravolix"));
#endif
}

void TestSaveCommands::menuSave_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<QString>("file");  // written in the output folder, or none
    QTest::newRow("history query: report") << 2 << kReport << false << "Zentravolix.txt";
    QTest::newRow("empty report") << 2 << QString() << false << "Zentravolix.txt";
    QTest::newRow("any other mode: report") << 0 << kReport << false << "Zentravolix.txt";
    QTest::newRow("real-time monitoring: image") << 1 << kReport << false << "Zentravolix.bmp";
    QTest::newRow("report cancelled") << 2 << kReport << true << "";
    QTest::newRow("image cancelled") << 1 << kReport << true << "";
}

void TestSaveCommands::menuSave() {
    QFETCH(int, mode);
    QFETCH(QString, text);
    QFETCH(bool, cancel);
    QFETCH(QString, file);
    QTextEdit report;
    report.setPlainText(text);  // CR LF become paragraph breaks in the view
    output::CommonDialog dialog(backend_);
    cancel ? backend_.cancel() : backend_.acceptSave();  // accepted as proposed
    output::mnusave_Click(dialog, mode, Chart(), report);

    // The folder is there even after a cancel: it is created before the dialog opens.
    const QDir folder(output::outputFolder());
    QCOMPARE(folder.entryList(QDir::Files), file.isEmpty() ? QStringList() : QStringList{file});
    QCOMPARE(backend_.saveRequests.last().initDir, output::outputFolder());
    QCOMPARE(backend_.saveRequests.last().fileName, QString("Zentravolix"));
    if (file.endsWith(".txt")) QCOMPARE(ReadAll(folder.filePath(file)), text.toUtf8());
}

void TestSaveCommands::saveImage_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("typeIndex");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QByteArray>("format");
    QTest::newRow("bmp name") << "c.bmp" << 1 << "c.bmp" << QByteArray("bmp");
    QTest::newRow("jpg name, bmp type") << "c.jpg" << 1 << "c.jpg" << QByteArray("jpeg");
    QTest::newRow("JPEG name") << "c.JPEG" << 2 << "c.JPEG" << QByteArray("jpeg");
    QTest::newRow("bmp name, jpg type") << "c.bmp" << 2 << "c.bmp" << QByteArray("bmp");
    QTest::newRow("no extension") << "c" << 1 << "c.bmp" << QByteArray("bmp");
    QTest::newRow("png name") << "c.png" << 1 << "c.png" << QByteArray("png");
    QTest::newRow("PNG name, jpg type") << "c.PNG" << 2 << "c.PNG" << QByteArray("png");
    QTest::newRow("any other name: BMP") << "c.gif" << 2 << "c.gif" << QByteArray("bmp");
}

void TestSaveCommands::saveImage() {
    QFETCH(QString, typed);
    QFETCH(int, typeIndex);
    QFETCH(QString, written);
    QFETCH(QByteArray, format);
    const QImage chart = Chart();
    output::CommonDialog dialog(backend_);
    backend_.acceptSave(home_->filePath(typed), typeIndex);
    QVERIFY(output::SaveChartImage(dialog, chart));

    QImageReader reader(home_->filePath(written));
    reader.setDecideFormatFromContent(true);
    QCOMPARE(reader.format(), format);
    const QImage back = reader.read().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(back.size(), chart.size());
    if (format != "jpeg")  // the lossless ones
        QCOMPARE(back, chart);
    else
        QVERIFY(MeanDifference(back, chart) < 4.0);
}

void TestSaveCommands::extensionFollowsLastConfirmedType() {
    QTextEdit report;
    output::CommonDialog dialog(backend_);
    const auto save = [&](const QString& name, int type, bool image) {
        backend_.acceptSave(home_->filePath(name), type);
        image ? output::SaveChartImage(dialog, Chart()) : output::saveReportText(dialog, report);
        return backend_.saveRequests.last().defaultExt;
    };
    save("a", 2, true);  // confirmed with the JPEG type
    QCOMPARE(save("b", 2, true), QString(".jpg"));
    save("r", 1, false);  // a text save: one type
    QCOMPARE(save("c", 1, true), QString(".bmp"));
    QCOMPARE(QImageReader(home_->filePath("b.jpg")).format(), QByteArray("jpeg"));
    QCOMPARE(QImageReader(home_->filePath("c.bmp")).format(), QByteArray("bmp"));
}

void TestSaveCommands::imageIsTakenWhenDialogCloses() {
    // The chart keeps being redrawn while the dialog is open.
    QImage chart = Chart(Qt::green);
    const QImage redrawn = Chart(Qt::yellow);
    output::CommonDialog dialog(backend_);
    backend_.acceptSave(home_->filePath("live.bmp"), 1, [&] { chart = redrawn; });
    QVERIFY(output::SaveChartImage(dialog, chart));
    QCOMPARE(QImage(home_->filePath("live.bmp")).convertToFormat(QImage::Format_RGB32), redrawn);
}

void TestSaveCommands::failuresLeaveEverything() {
    // A regular file where a folder is expected: nothing can be written below it, even as root.
    const QString blocker = home_->filePath("blocker");
    QFile file(blocker);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("keep") == 4);
    file.close();
    QTextEdit report;
    report.setPlainText(kReport);
    report.document()->setModified(false);
    const QString shown = report.toPlainText();
    QTemporaryDir cwd;
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(cwd.path()));

    output::CommonDialog dialog(backend_);
    backend_.acceptSave(blocker + "/report.txt");
    QVERIFY(!output::saveReportText(dialog, report));
    backend_.acceptSave(blocker + "/chart.bmp");
    QVERIFY(!output::SaveChartImage(dialog, Chart()));
    // A failed dialog writes nothing, not even under the bare proposed name.
    backend_.fail("dialog could not be created");
    QVERIFY(!output::saveReportText(dialog, report));
    QDir::setCurrent(previous);

    QCOMPARE(ReadAll(blocker), QByteArray("keep"));
    QVERIFY(QDir(cwd.path()).isEmpty());
    QCOMPARE(report.toPlainText(), shown);
    QVERIFY(!report.document()->isModified());
}

void TestSaveCommands::dataLogPath_data() {
    QTest::addColumn<QString>("answer");  // "proposal", "cancel", "fail" or a typed name
    QTest::addColumn<QString>("path");    // proposal: beside the output folder; typed: in home
    QTest::newRow("proposal") << "proposal"
                              << "Zentravolix/Zentravolix.csv";
    QTest::newRow("typed without extension") << "trend"
                                             << "trend.csv";
    QTest::newRow("typed with extension") << "trend.log"
                                          << "trend.log";
    QTest::newRow("cancel") << "cancel"
                            << "";
    QTest::newRow("dialog failed") << "fail"
                                   << "";
}

void TestSaveCommands::dataLogPath() {
    QFETCH(QString, answer);
    QFETCH(QString, path);
    output::CommonDialog dialog(backend_);
    dialog.FilterIndex = 2;  // the JPEG type, confirmed at an earlier image save
    if (answer == "proposal")
        backend_.acceptSave();
    else if (answer == "cancel")
        backend_.cancel();
    else if (answer == "fail")
        backend_.fail("no dialog");
    else
        backend_.acceptSave(home_->filePath(answer));

    const std::optional<QString> chosen = output::askDataLogPath(dialog);
    QCOMPARE(chosen.has_value(), !path.isEmpty());
    // The proposal is in the output folder; a typed name in the folder the test answers from.
    const QDir answered = answer == "proposal"
                              ? QDir(QDir::fromNativeSeparators(output::outputFolder()) + "/..")
                              : QDir(home_->path());
    if (chosen) QCOMPARE(*chosen, QDir::cleanPath(answered.filePath(path)));
    const output::SaveRequest& shown = backend_.saveRequests.last();
    QCOMPARE(shown.fileName, QString("Zentravolix.csv"));
    QCOMPARE(shown.initDir, output::outputFolder());
    QVERIFY(QFileInfo(output::outputFolder()).isDir());  // created before the dialog opened
    QCOMPARE(shown.filters, (QList<output::FilterEntry>{{"CSV格式 (*.csv)", "*.csv"}}));
    QCOMPARE(shown.defaultExt, QString(".csv"));
    QCOMPARE(dialog.FilterIndex, 2);                  // the next image save still proposes ".jpg"
    QVERIFY(QDir(output::outputFolder()).isEmpty());  // asking writes nothing
}

void TestSaveCommands::failureIsExplained_data() {
    QTest::addColumn<bool>("image");
    QTest::addColumn<QString>("answer");      // a file name under the home folder, "cancel", "fail"
    QTest::addColumn<bool>("folderBlocked");  // a plain file where the output folder belongs
    QTest::addColumn<QString>("written");     // under the home folder; empty: nothing
    QTest::addColumn<bool>("explained");
    for (const bool image : {false, true}) {
        const char* what = image ? "image" : "report";
        const QString ext = image ? ".bmp" : ".txt";
        QTest::addRow("%s under a plain file", what)
            << image << "blocker/x" + ext << false << "" << true;
        QTest::addRow("%s written", what) << image << "x" + ext << false << "x" + ext << false;
        QTest::addRow("%s cancelled", what) << image << "cancel" << false << "" << false;
        QTest::addRow("%s dialog failed", what) << image << "fail" << false << "" << false;
        // The proposal, in the home folder the dialog then starts in.
        QTest::addRow("%s, output folder cannot be made", what)
            << image << "" << true << "Zentravolix" + ext << false;
    }
}

void TestSaveCommands::failureIsExplained() {
    QFETCH(bool, image);
    QFETCH(QString, answer);
    QFETCH(bool, folderBlocked);
    QFETCH(QString, written);
    QFETCH(bool, explained);
#ifdef Q_OS_WIN
    if (folderBlocked) QSKIP("c:\\Zentravolix is the machine's, not the test's to block");
#endif
    for (const char* name : {"blocker", "Zentravolix"}) {
        if (QString::fromLatin1(name) == "Zentravolix" && !folderBlocked) continue;
        QFile file(home_->filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("keep") == 4);
    }
    QTextEdit report;
    report.setPlainText(kReport);
    output::CommonDialog dialog(backend_);
    if (answer == "cancel")
        backend_.cancel();
    else if (answer == "fail")
        backend_.fail("dialog could not be created");
    else
        backend_.acceptSave(answer.isEmpty() ? QString() : home_->filePath(answer));

    QString failure = "stale";
    const bool saved = image ? output::SaveChartImage(dialog, Chart(), &failure)
                             : output::saveReportText(dialog, report, &failure);
    QCOMPARE(saved, !written.isEmpty());
    QCOMPARE(backend_.saveRequests.last().initDir,
             folderBlocked ? home_->path() : output::outputFolder());
    if (!written.isEmpty()) QVERIFY(QFileInfo(home_->filePath(written)).size() > 0);
    QCOMPARE(!failure.isEmpty(), explained);
    if (explained) {
        // The path as the system writes it (backslashes on Windows).
        QVERIFY2(failure.contains(QDir::toNativeSeparators(home_->filePath(answer))),
                 qPrintable(failure));
        QVERIFY2(failure.size() > home_->filePath(answer).size() + 12, qPrintable(failure));
    }
    QCOMPARE(ReadAll(home_->filePath("blocker")), QByteArray("keep"));
}

QTEST_MAIN(TestSaveCommands)
#include "tst_savecommands.moc"
