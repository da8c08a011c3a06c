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
#include <QXmlStreamReader>
#include <QtTest>

#include "measure/alarmtracker.h"
#include "measure/datalog.h"
#include "measure/intervallog.h"

namespace {

constexpr int kRows = 20000, kPeakRow = 12345;
const QDateTime kStart(QDate(2026, 12, 8), QTime(1, 0), Qt::OffsetFromUTC, 8 * 3600);

QDateTime RowTime(int row) {
    return kStart.addMSecs(qint64(row) * 500);
}

// A night of readings around 100 mA with 4000 mA for one reading; the meter away for the rows
// [awayFrom, awayTo).
void WriteLog(const QString& path, int awayFrom = 0, int awayTo = 0) {
    QByteArray out = measure::dataLogHeader();
    for (int i = 0; i < kRows; ++i) {
        if (i >= awayFrom && i < awayTo) continue;
        const int mA = i == kPeakRow ? 4000 : 100 + (i / 40) % 30;
        out += measure::dataLogRow({quint8(mA / 100), quint8(mA % 100), 21}, RowTime(i), i * 500);
    }
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(out) == out.size());
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
}

QByteArray Time(int row) {
    return measure::isoTimeWithOffset(RowTime(row));
}

// The night's log with an overload at `faultRow` and an ERROR reading after it.
void WriteLogWithFaults(const QString& path, int faultRow) {
    WriteLog(path);
    QFile f(path);
    QVERIFY(f.open(QIODevice::Append));
    f.write(Time(faultRow) + ",0.000,0L,,0,\r\n" + Time(faultRow + 1) + ",0.500,ERROR,,0,\r\n");
}

// Alarms beside the log at `path`: "S" starts one, "E" ends it, at the rows given.
void WriteEvents(const QString& path, const QList<std::pair<int, char>>& events) {
    QByteArray out = measure::alarmEventsHeader();
    for (const auto& [row, kind] : events)
        out += Time(row) + (kind == 'S' ? ",start,4000,4000,\r\n" : ",end,90,4000,1.0\r\n");
    WriteFile(measure::alarmEventsPath(path), out);
}

// Two hours of one-minute intervals over the night's start.
void WriteIntervals(const QString& path) {
    QByteArray out = measure::intervalLogHeader();
    for (int i = 0; i < 120; ++i)
        out += Time(i * 120) + "," + Time((i + 1) * 120) + ",120,90,130," +
               QByteArray::number(100 + i % 7) + ",0,0\r\n";
    WriteFile(path, out);
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

bool Dark(QRgb c) {
    return qRed(c) < 80 && qGreen(c) < 80 && qBlue(c) < 80;
}

// The frame around the curve: the columns and rows mostly dark.
QRect Frame(const QImage& image) {
    int left = -1, right = -1, top = -1, bottom = -1;
    for (int x = 0; x < image.width(); ++x) {
        int dark = 0;
        for (int y = 0; y < image.height(); ++y) dark += Dark(image.pixel(x, y));
        if (dark > image.height() / 2) (left < 0 ? left : right) = x;
    }
    for (int y = 0; y < image.height(); ++y) {
        int dark = 0;
        for (int x = 0; x < image.width(); ++x) dark += Dark(image.pixel(x, y));
        if (dark > image.width() / 2) (top < 0 ? top : bottom) = y;
    }
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

// The text of an SVG picture: its <text> elements in the order drawn, without separators (a
// text drawn in two fonts, Chinese and Latin, comes as two elements).
QString SvgText(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QXmlStreamReader xml(&f);
    QString text;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("text"))
            text += xml.readElementText(QXmlStreamReader::IncludeChildElements);
    }
    return text;
}

}  // namespace

class TstPlot : public QObject {
    Q_OBJECT
  private slots:
    void pictureShowsThePeak_data();
    void pictureShowsThePeak();
    void noReadingsNoPicture_data();
    void noReadingsNoPicture();
    void title_data();
    void title();
    void legend_data();
    void legend();
    void alarmSpans_data();
    void alarmSpans();
    void traces_data();
    void traces();
    void pdfText_data();
    void pdfText();
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
    // Within the frame around the curve, the topmost pixel of the line (dark blue) is the peak;
    // the threshold line is red.
    const QRect frame = Frame(image);
    QVERIFY2(frame.left() > 0 && frame.right() < image.width() - 1 && frame.top() > 0,
             qPrintable(QStringLiteral("%1 %2").arg(frame.left()).arg(frame.top())));
    int peakX = -1, peakY = frame.bottom();
    bool threshold = false;
    for (int y = frame.bottom() - 1; y > frame.top(); --y) {
        for (int x = frame.left() + 1; x < frame.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() < 100 && c.green() < 130 && c.blue() > 120) peakX = x, peakY = y;
            threshold |= c.red() > 180 && c.green() < 80 && c.blue() < 80;
        }
    }
    QVERIFY2(peakY < frame.top() + frame.height() * 10 / 100, qPrintable(QString::number(peakY)));
    QVERIFY(threshold);
    // Where the peak's time lies within the frame.
    const double share = fromRow < 0 ? double(kPeakRow) / (kRows - 1)
                                     : double(kPeakRow - fromRow) / (toRow - fromRow);
    const double expected = frame.left() + share * frame.width();
    QVERIFY2(qAbs(peakX - expected) < image.width() / 100.0,
             qPrintable(QStringLiteral("%1, not %2").arg(peakX).arg(expected)));
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

void TstPlot::title_data() {
    QTest::addColumn<QString>("log");  // the log's name
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("title");   // the title line, PERIOD for the period; empty: none
    QTest::addColumn<QString>("absent");  // in no text of the picture
    QTest::newRow("--meter-id") << "pump3-20261208.csv" << QStringList{"--meter-id", "line4"}
                                << "pump3-20261208.csv · 仪表 line4 · PERIOD"
                                << "pump3 ·";
    QTest::newRow("--title") << "pump3-20261208.csv"
                             << QStringList{"--title", "Kitchen circuit <3 & pumps"}
                             << "Kitchen circuit <3 & pumps"
                             << "pump3";
    QTest::newRow("--title empty: none") << "night.csv" << QStringList{"--title="} << ""
                                         << "night.csv";
}

// The title line is a text of the SVG, the period that of --from and --to.
void TstPlot::title() {
    QFETCH(QString, log);
    QFETCH(QStringList, args);
    QFETCH(QString, title);
    QFETCH(QString, absent);
    QTemporaryDir dir;
    WriteLog(dir.filePath(log));
    const QDateTime from = RowTime(600).toLocalTime(), to = RowTime(780).toLocalTime();
    const QString picture = dir.filePath("night.svg");
    args = QStringList{"--plot", dir.filePath(log),
                       "-o",     picture,
                       "--from", from.toString("yyyy-MM-ddTHH:mm"),
                       "--to",   to.toString("yyyy-MM-dd HH:mm:ss")} +
           args;
    QByteArray err;
    QVERIFY2(RunProgram(args, &err) == 0, err.constData());
    const QString text = SvgText(picture);
    QVERIFY(!text.isEmpty());
    title.replace("PERIOD", from.toString("yyyy-MM-dd HH:mm:ss – ") + to.toString("HH:mm:ss"));
    QVERIFY2(text.endsWith(title), qPrintable(text));  // the title is drawn last
    QVERIFY2(!text.contains(absent), qPrintable(text));
}

void TstPlot::legend_data() {
    // "readings", "faults" (with 0L and ERROR), "away" (90 s without readings), "intervals"
    QTest::addColumn<QString>("log");
    QTest::addColumn<bool>("alarms");  // an alarm in the log's events file
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("present");  // entries of the legend
    QTest::addColumn<QStringList>("absent");   // in no text of the picture
    const QStringList marks{"报警", "过载 (0L)", "错误 (ERROR)"};
    QTest::newRow("readings alone")
        << "readings" << false << QStringList{} << QStringList{"读数", "读数最小–最大"}
        << marks + QStringList{"区间平均值", "区间最小–最大"};
    QTest::newRow("threshold, alarm, overload, error")
        << "faults" << true << QStringList{"--alarm", "3A"}
        << QStringList{"读数", "报警值 3000mA"} + marks << QStringList{"区间平均值"};
    QTest::newRow("zoomed in: one reading a column, the marks outside")
        << "faults" << true << QStringList{"--from", "ROW:100", "--to", "ROW:140"}
        << QStringList{"读数"} << marks + QStringList{"读数最小–最大", "报警值"};
    QTest::newRow("the meter away, labelled with its length")
        << "away" << false << QStringList{} << QStringList{"读数", "中断", "1 分 30 秒"} << marks;
    QTest::newRow("intervals, English")
        << "intervals" << false << QStringList{"--lang", "en", "--alarm", "50mA"}
        << QStringList{"interval min–max", "interval mean", "threshold 50mA"}
        << QStringList{"reading", "读数", "alarm"};
}

// The legend names what the picture shows and nothing else, each entry one text of the SVG.
void TstPlot::legend() {
    QFETCH(QString, log);
    QFETCH(bool, alarms);
    QFETCH(QStringList, args);
    QFETCH(QStringList, present);
    QFETCH(QStringList, absent);
    QTemporaryDir dir;
    const QString path = dir.filePath("night.csv"), picture = dir.filePath("night.svg");
    if (log == "intervals")
        WriteIntervals(path);
    else if (log == "faults")
        WriteLogWithFaults(path, 9000);
    else if (log == "away")
        WriteLog(path, 5000, 5180);
    else
        WriteLog(path);
    if (alarms) WriteEvents(path, {{7000, 'S'}, {7100, 'E'}});
    for (QString& a : args)
        if (a.startsWith("ROW:"))
            a = RowTime(a.mid(4).toInt()).toLocalTime().toString("yyyy-MM-ddTHH:mm:ss");
    QByteArray err;
    QVERIFY2(RunProgram(QStringList{"--plot", path, "-o", picture} + args, &err) == 0,
             err.constData());
    const QString text = SvgText(picture);
    for (const QString& entry : present)
        QVERIFY2(text.contains(entry), qPrintable(entry + " in " + text));
    for (const QString& entry : absent)
        QVERIFY2(!text.contains(entry), qPrintable(entry + " in " + text));
}

void TstPlot::alarmSpans_data() {
    QTest::addColumn<int>("from");  // rows of the alarm's start and end
    QTest::addColumn<int>("to");
    QTest::newRow("200 s: a span as wide as its time") << 7000 << 7400;
    QTest::newRow("half a second: a mark one column wide") << 3000 << 3001;
    QTest::newRow("still on when the log ends") << 19000 << -1;
}

// An alarm is a pink span from its start to its end across the curve's height, and no more.
void TstPlot::alarmSpans() {
    QFETCH(int, from);
    QFETCH(int, to);
    QTemporaryDir dir;
    const QString log = dir.filePath("night.csv"), picture = dir.filePath("night.png");
    WriteLog(log);
    QList<std::pair<int, char>> events{{from, 'S'}};
    if (to >= 0) events.append({to, 'E'});
    WriteEvents(log, events);
    QByteArray err;
    QVERIFY2(RunProgram({"--plot", log, "-o", picture}, &err) == 0, err.constData());
    const QImage image(picture);
    const QRect frame = Frame(image);
    // Pink where the shade lies, in the upper half of the frame (the curve is low).
    auto pink = [&](int x) {
        for (int y = frame.top() + frame.height() / 4; y < frame.center().y(); y += 7) {
            // The shade over white or over a grid line: red well above green and blue.
            const QColor c = image.pixelColor(x, y);
            if (c.red() < 200 || c.red() - c.green() < 30 || c.red() - c.blue() < 30 ||
                c.green() < 120)
                return false;
        }
        return true;
    };
    QList<int> columns;
    for (int x = frame.left() + 1; x < frame.right(); ++x)
        if (pink(x)) columns << x;
    QVERIFY(!columns.isEmpty());
    const double perRow = double(frame.width()) / (kRows - 1);
    const int end = to >= 0 ? to : kRows - 1;
    QVERIFY2(qAbs(columns.front() - (frame.left() + from * perRow)) <= 2,
             qPrintable(QString::number(columns.front())));
    if (to >= 0)
        QVERIFY2(qAbs(columns.back() - (frame.left() + end * perRow)) <= 2,
                 qPrintable(QString::number(columns.back())));
    else  // to the right edge
        QVERIFY2(columns.back() >= frame.right() - 1, qPrintable(QString::number(columns.back())));
    QCOMPARE(columns.size(), columns.back() - columns.front() + 1);  // one span
}

void TstPlot::traces_data() {
    QTest::addColumn<QStringList>("logs");    // "name:first row-last row:mA"
    QTest::addColumn<QStringList>("legend");  // trace names in the legend's entries
    QTest::newRow("two meters at the same time: two colours")
        << QStringList{"a.csv:0-7199:100", "b.csv:0-7199:300"}
        << QStringList{"a.csv 读数", "b.csv 读数"};
    QTest::newRow("two days of one meter: one line in one colour")
        << QStringList{"pump3-20261208.csv:0-3599:100", "pump3-20261209.csv:3600-7199:300"}
        << QStringList{};
}

// Logs at the same time are drawn each in its own colour, apart; logs that follow each other
// are one line in the first colour. Read back from the PNG, the legend from the SVG.
void TstPlot::traces() {
    QFETCH(QStringList, logs);
    QFETCH(QStringList, legend);
    QTemporaryDir dir;
    QStringList args{"--plot"};
    for (const QString& log : logs) {
        const QStringList part = log.split(':');
        const int mA = part[2].toInt();
        QByteArray out = measure::dataLogHeader();
        for (int i = part[1].section('-', 0, 0).toInt(); i <= part[1].section('-', 1).toInt(); ++i)
            out += measure::dataLogRow({quint8(mA / 100), quint8(mA % 100 + i % 3), 21}, RowTime(i),
                                       i * 500);
        WriteFile(dir.filePath(part[0]), out);
        args << dir.filePath(part[0]);
    }
    QByteArray err;
    QVERIFY2(RunProgram(args + QStringList{"-o", dir.filePath("p.png")}, &err) == 0,
             err.constData());
    QVERIFY2(RunProgram(args + QStringList{"-o", dir.filePath("p.svg")}, &err) == 0,
             err.constData());
    const QImage image(dir.filePath("p.png"));
    const QRect frame = Frame(image);
    // The rows each line colour takes within the frame.
    const QColor first(0, 60, 170), second(0, 130, 60);
    int firstTop = image.height(), firstBottom = -1, secondTop = image.height(), secondBottom = -1;
    for (int y = frame.top() + 1; y < frame.bottom(); ++y) {
        for (int x = frame.left() + 1; x < frame.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c == first)
                firstTop = std::min(firstTop, y), firstBottom = std::max(firstBottom, y);
            if (c == second)
                secondTop = std::min(secondTop, y), secondBottom = std::max(secondBottom, y);
        }
    }
    QVERIFY(firstBottom >= 0);
    if (legend.isEmpty()) {
        QCOMPARE(secondBottom, -1);
        QVERIFY(firstBottom - firstTop > frame.height() / 2);  // the one line steps up
    } else {
        // 300 mA above 100 mA, and no line between them (none joins the two).
        QVERIFY2(secondBottom >= 0 && secondBottom < firstTop - frame.height() / 4,
                 qPrintable(QStringLiteral("%1..%2 over %3..%4")
                                .arg(secondTop)
                                .arg(secondBottom)
                                .arg(firstTop)
                                .arg(firstBottom)));
    }
    const QString text = SvgText(dir.filePath("p.svg"));
    for (const QString& entry : legend) QVERIFY2(text.contains(entry), qPrintable(text));
    if (legend.isEmpty()) QVERIFY2(!text.contains("pump3 读数"), qPrintable(text));
}

void TstPlot::pdfText_data() {
    QTest::addColumn<int>("fromRow");  // -1: the whole log
    QTest::addColumn<int>("toRow");
    QTest::addColumn<QString>("lang");
    QTest::newRow("the whole log") << -1 << -1 << "zh";
    QTest::newRow("90 s, a tick at each end") << 600 << 780 << "en";
    QTest::newRow("17 s, odd ends") << 4001 << 4035 << "zh";
}

// On the A4 page every text is at least 9 pt and lies whole on the page, the time labels at
// both ends of the period too (read back with pdftohtml, in points).
void TstPlot::pdfText() {
    QFETCH(int, fromRow);
    QFETCH(int, toRow);
    QFETCH(QString, lang);
    if (QStandardPaths::findExecutable("pdftohtml").isEmpty())
        QSKIP("pdftohtml (poppler-utils) is not installed");
    QTemporaryDir dir;
    const QString log = dir.filePath("night.csv"), picture = dir.filePath("night.pdf");
    WriteLog(log);
    WriteEvents(log, {{7000, 'S'}, {7001, 'E'}});
    QStringList args{"--plot", log, "-o", picture, "--alarm", "30mA", "--lang", lang};
    QStringList ends;  // the time labels at the period's ends
    if (fromRow >= 0) {
        const QDateTime from = RowTime(fromRow).toLocalTime(), to = RowTime(toRow).toLocalTime();
        args << "--from" << from.toString("yyyy-MM-dd HH:mm:ss") << "--to"
             << to.toString("yyyy-MM-ddTHH:mm:ss");
        if (from.time().second() % 15 == 0) ends << from.toString("HH:mm:ss");
        if (to.time().second() % 15 == 0) ends << to.toString("HH:mm:ss");
    }
    QByteArray err;
    QVERIFY2(RunProgram(args, &err) == 0, err.constData());
    QProcess pdftohtml;
    pdftohtml.start("pdftohtml", {"-xml", "-i", "-q", "-zoom", "1", "-stdout", picture});
    QVERIFY(pdftohtml.waitForFinished(30000));
    QXmlStreamReader xml(pdftohtml.readAllStandardOutput());
    double pageWidth = 0, pageHeight = 0;
    QMap<QString, double> sizes;
    QStringList texts;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        const QXmlStreamAttributes a = xml.attributes();
        if (xml.name() == QLatin1String("page")) {
            pageWidth = a.value("width").toDouble();
            pageHeight = a.value("height").toDouble();
        } else if (xml.name() == QLatin1String("fontspec")) {
            sizes[a.value("id").toString()] = a.value("size").toDouble();
        } else if (xml.name() == QLatin1String("text")) {
            const double left = a.value("left").toDouble(), top = a.value("top").toDouble();
            const double right = left + a.value("width").toDouble();
            const double bottom = top + a.value("height").toDouble();
            const QString font = a.value("font").toString();
            const QString text = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            texts << text;
            QVERIFY2(sizes.value(font) >= 9,
                     qPrintable(QStringLiteral("%1: %2 pt").arg(text).arg(sizes.value(font))));
            QVERIFY2(left >= 0 && right <= pageWidth && top >= 0 && bottom <= pageHeight,
                     qPrintable(QStringLiteral("%1 at %2..%3 of %4")
                                    .arg(text)
                                    .arg(left)
                                    .arg(right)
                                    .arg(pageWidth)));
        }
    }
    QVERIFY(pageWidth > pageHeight);  // landscape
    QVERIFY(texts.size() > 10);
    for (const QString& end : ends)
        QVERIFY2(texts.contains(end), qPrintable(end + " in " + texts.join(" | ")));
}

QTEST_MAIN(TstPlot)
#include "tst_plot.moc"
