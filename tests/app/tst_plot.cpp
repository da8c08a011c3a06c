// `leakmeter --plot`, the real program without a display, on a log with one short peak: the
// picture, read back as an image, shows the peak where its time is and the threshold line.
// Logs without a reading in the period draw nothing and say so.
#include <QDateTime>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QtTest>

#include "measure/datalog.h"

namespace {

constexpr int kRows = 20000, kPeakRow = 12345;
const QDateTime kStart(QDate(2026, 12, 8), QTime(1, 0), Qt::OffsetFromUTC, 8 * 3600);

QDateTime RowTime(int row) {
    return kStart.addMSecs(qint64(row) * 500);
}

// A night of readings around 100 mA with 4000 mA for one reading.
void WriteLog(const QString& path) {
    QByteArray out = measure::dataLogHeader();
    for (int i = 0; i < kRows; ++i) {
        const int mA = i == kPeakRow ? 4000 : 100 + (i / 40) % 30;
        out += measure::dataLogRow({quint8(mA / 100), quint8(mA % 100), 21}, RowTime(i), i * 500);
    }
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(out) == out.size());
}

// Runs the program without a display; its exit status, and its stderr in *err.
int RunProgram(const QStringList& args, QByteArray* err) {
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(v);
    program.setProcessEnvironment(env);
    program.start(LEAKMETER_PATH, args);
    if (!program.waitForFinished(60000)) return -1;
    *err = program.readAllStandardError();
    return program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
}

// A time `hours` after the log's start, as --from and --to take it, and as the messages say it.
QString LocalArg(int hours) {
    return kStart.addSecs(hours * 3600).toLocalTime().toString("yyyy-MM-ddTHH:mm");
}
QString localText(int hours) {
    return kStart.addSecs(hours * 3600).toLocalTime().toString("yyyy-MM-dd HH:mm");
}

QImage ReadBack(const QString& path) {
    if (path.endsWith(".svg")) {
        QSvgRenderer svg(path);
        QImage image(svg.defaultSize(), QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        svg.render(&painter);
        return image;
    }
    if (path.endsWith(".pdf")) {
        QProcess::execute("pdftoppm", {"-png", "-r", "150", "-singlefile", path, path});
        return QImage(path + ".png");
    }
    return QImage(path);
}

}  // namespace

class TstPlot : public QObject {
    Q_OBJECT
  private slots:
    void pictureShowsThePeak_data();
    void pictureShowsThePeak();
    void noReadingsNoPicture_data();
    void noReadingsNoPicture();
};

void TstPlot::pictureShowsThePeak_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("fromRow");  // -1: the whole log
    QTest::addColumn<int>("toRow");
    QTest::newRow("png, whole log") << "day.png" << -1 << -1;
    QTest::newRow("svg, whole log") << "day.SVG" << -1 << -1;
    QTest::newRow("pdf, --from --to") << "day.pdf" << 10000 << 15000;
}

void TstPlot::pictureShowsThePeak() {
    QFETCH(QString, name);
    QFETCH(int, fromRow);
    QFETCH(int, toRow);
    if (name.endsWith(".pdf") && QStandardPaths::findExecutable("pdftoppm").isEmpty())
        QSKIP("pdftoppm (poppler-utils) is not installed");
    QTemporaryDir dir;
    const QString log = dir.filePath("night.csv"), out = dir.filePath(name.toLower());
    WriteLog(log);
    QStringList args{"--plot", log, "-o", dir.filePath(name), "--alarm", "3A"};
    if (fromRow >= 0) {
        const auto local = [](int row) {
            return RowTime(row).toLocalTime().toString("yyyy-MM-ddTHH:mm:ss");
        };
        args << "--from" << local(fromRow) << "--to" << local(toRow);
    }
    QByteArray err;
    QVERIFY2(RunProgram(args, &err) == 0, err.constData());

    const QImage image = ReadBack(dir.filePath(name));
    QVERIFY(!image.isNull());
    // The topmost pixel of the line (dark blue) is the peak; the threshold line is red.
    int peakX = -1, peakY = image.height();
    bool threshold = false;
    for (int y = image.height() - 1; y >= 0; --y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() < 100 && c.green() < 130 && c.blue() > 120) peakX = x, peakY = y;
            threshold |= c.red() > 180 && c.green() < 80 && c.blue() < 80;
        }
    }
    QVERIFY2(peakY < image.height() * 15 / 100, qPrintable(QString::number(peakY)));
    QVERIFY(threshold);
    // Where the peak's time lies: between the scales (70 pixels of the 1600 wide picture on the
    // left, 16 on the right).
    const double share = fromRow < 0 ? double(kPeakRow) / (kRows - 1)
                                     : double(kPeakRow - fromRow) / (toRow - fromRow);
    const double expected = (70 + share * (1600 - 86)) / 1600;
    QVERIFY2(qAbs(double(peakX) / image.width() - expected) < 0.01,
             qPrintable(QStringLiteral("%1 of %2").arg(peakX).arg(image.width())));
}

void TstPlot::noReadingsNoPicture_data() {
    QTest::addColumn<QByteArray>("file");  // "night": the night's log
    QTest::addColumn<int>("from");         // hours after the log's start; 99: not given
    QTest::addColumn<int>("to");
    QTest::addColumn<QString>("said");  // LOG, FROM and TO stand for the log and the times
    QRandomGenerator random(21);
    QByteArray noise(8192, 0);
    for (char& c : noise) c = char(random.bounded(256));
    QTest::newRow("empty file") << QByteArray() << 99 << 99 << "no readings in LOG";
    QTest::newRow("foreign file") << QByteArray("name,phone\nAda,0123\n") << 99 << 99
                                  << "no readings in LOG";
    QTest::newRow("random bytes") << noise << 99 << 99 << "no readings in LOG";
    QTest::newRow("intervals without readings")
        << QByteArray(
               "start,end,count,min_mA,max_mA,mean_mA,overloads,errors\n"
               "2026-12-08T09:00:00+08:00,2026-12-08T09:01:00+08:00,0,,,,0,0\n")
        << 99 << 99 << "no readings in LOG";
    QTest::newRow("--from after the data")
        << QByteArray("night") << 4 << 99 << "no readings in LOG from FROM on";
    QTest::newRow("--to before the data")
        << QByteArray("night") << 99 << 0 << "no readings in LOG before TO";
    QTest::newRow("--from --to before the data")
        << QByteArray("night") << -3 << -1 << "no readings in LOG between FROM and TO";
}

// Exit 1 with the logs and the period named, and no file at all where the picture would go.
void TstPlot::noReadingsNoPicture() {
    QFETCH(QByteArray, file);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QString, said);
    QTemporaryDir dir;
    const QString log = dir.filePath("night.csv");
    if (file == "night") {
        WriteLog(log);
    } else {
        QFile f(log);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(file) == file.size());
    }
    QStringList args{"--plot", log, "-o", dir.filePath("night.svg")};
    if (from != 99) args << "--from" << LocalArg(from);
    if (to != 99) args << "--to" << LocalArg(to);
    QByteArray err;
    QCOMPARE(RunProgram(args, &err), 1);
    said.replace("FROM", localText(from)).replace("TO", localText(to)).replace("LOG", log);
    QVERIFY2(err.contains("leakmeter: " + said.toUtf8() + "\n"), err.constData());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"night.csv"});
}

QTEST_MAIN(TstPlot)
#include "tst_plot.moc"
