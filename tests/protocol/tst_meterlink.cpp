// The link on its own, over a real pseudo-terminal with the meter simulator, heard through its
// events and signals: the greeting repeated until answered, live polling by mode and run
// state, the two-step download and every way it can end early, re-opening a port, a meter
// that goes silent, a refused line setting, and the advice about a missing meter (given for a
// port where nothing answers, never for an idle one).
#include <QSerialPort>
#include <QSignalSpy>
#include <QtTest>
#include <optional>

#include "../app/metersim.h"
#include "linkevents.h"
#include "protocol/meterlink.h"
#include "serial/commport.h"

using namespace protocol;

Q_DECLARE_METATYPE(DownloadFailure)
Q_DECLARE_METATYPE(LinkMode)

namespace {

// The link on COM1 of a simulated meter, its events kept; start() opens the port and greets
// the meter, as a front end does.
struct SimLink {
    explicit SimLink(const QStringList& meter = {}, LinkMode mode = LinkMode::Live) : sim(meter) {
        port.setPortMap(MapTo(sim.link()));
        link.setMode(mode);
        link.setRunning(true);
    }
    void start() {
        link.OpenSerialPort();
        link.SendHandshake();
    }
    QTimer* timer(const char* name) { return link.findChild<QTimer*>(QLatin1String(name)); }

    MeterSim sim;
    serial::CommPort port;
    MeterLink link{port};
    LinkEvents events{&link};
};

// Gaps between successive writes of one command outside 250..1000 ms (a 500 ms timer's).
QList<double> OffBeat(const QList<double>& times) {
    QList<double> off;
    for (qsizetype i = 1; i < times.size(); ++i)
        if (const double gap = times[i] - times[i - 1]; gap <= 250 || gap >= 1000) off.append(gap);
    return off;
}

QString Text(const QList<double>& gaps) {
    QStringList t;
    for (double g : gaps) t << QString::number(g);
    return t.join(u' ');
}

}  // namespace

class TstMeterLink : public QObject {
    Q_OBJECT

  private slots:
    void greetingRepeatsUntilAnswered_data();
    void greetingRepeatsUntilAnswered();
    void pollingFollowsModeAndRunState_data();
    void pollingFollowsModeAndRunState();
    void downloadAsksCountThenGroups_data();
    void downloadAsksCountThenGroups();
    void downloadBeforeGreetingSendsNothing();
    void downloadEnds_data();
    void downloadEnds();
    void brokenGroupsReplyIsGivenUp_data();
    void brokenGroupsReplyIsGivenUp();
    void reopensUntilThePortOpens_data();
    void reopensUntilThePortOpens();
    void unplugAndReplugRecovers();
    void silentMeterIsNoticed();
    void refusedLineSettingIsAnEvent_data();
    void refusedLineSettingIsAnEvent();
    void signOffOnAClosedPortSendsNothing();
    void noMeterAdvice_data();
    void noMeterAdvice();
};

void TstMeterLink::greetingRepeatsUntilAnswered_data() {
    QTest::addColumn<QStringList>("meter");
    QTest::addColumn<int>("refusals");  // wrong answers to the greeting
    QTest::addColumn<bool>("late");     // nothing answers at first
    QTest::newRow("answers at once") << QStringList{} << 0 << false;
    QTest::newRow("three wrong answers") << QStringList{"--bad-handshakes", "3"} << 3 << false;
    QTest::newRow("switched on late") << QStringList{"--silent-for", "2"} << 0 << true;
}

// The greeting goes out at start and every 500 ms until the meter answers it correctly;
// nothing is said while nothing answers, nothing else is asked before, and live polling
// begins by itself after, with no more greetings.
void TstMeterLink::greetingRepeatsUntilAnswered() {
    QFETCH(QStringList, meter);
    QFETCH(int, refusals);
    QFETCH(bool, late);
    SimLink s(meter);
    QVERIFY(s.sim.ok());
    s.start();
    QCOMPARE(s.link.lastCommand(), MeterCommand::Handshake);
    QVERIFY(!s.link.deviceConnected());

    QTRY_VERIFY_WITH_TIMEOUT(s.link.deviceConnected(), 4000);
    QVERIFY(!s.timer("Timer2")->isActive());
    QTRY_VERIFY_WITH_TIMEOUT(s.sim.countOf(35) >= 2, 3000);
    const QList<double> greetings = s.sim.timesOf(5);
    QVERIFY(greetings.last() < s.sim.timesOf(35).first());
    if (late)
        QVERIFY2(greetings.size() >= 3, qPrintable(QString::number(greetings.size())));
    else
        QCOMPARE(greetings.size(), refusals + 1);
    QVERIFY2(OffBeat(greetings).isEmpty(), qPrintable(Text(OffBeat(greetings))));

    QList<LinkEvent> expected{PortOpened{1}};
    for (int i = 0; i < refusals; ++i) expected << HandshakeRefused{};
    expected << HandshakeAnswered{};
    QVERIFY(s.events.all().size() > expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i)
        QCOMPARE(s.events.all()[i].index(), expected[i].index());
    QCOMPARE(s.events.count<HandshakeAnswered>(), 1);
}

void TstMeterLink::pollingFollowsModeAndRunState_data() {
    QTest::addColumn<LinkMode>("mode");
    QTest::addColumn<bool>("running");
    QTest::addColumn<bool>("polls");
    QTest::newRow("live, running") << LinkMode::Live << true << true;
    QTest::newRow("live, paused") << LinkMode::Live << false << false;
    QTest::newRow("history") << LinkMode::History << true << false;
}

// A greeted meter is asked for a live reading every 500 ms, and at once when asked, only in
// the live mode while running.
void TstMeterLink::pollingFollowsModeAndRunState() {
    QFETCH(LinkMode, mode);
    QFETCH(bool, running);
    QFETCH(bool, polls);
    SimLink s;
    QVERIFY(s.sim.ok());
    s.start();
    QTRY_VERIFY_WITH_TIMEOUT(s.sim.countOf(35) >= 4, 4000);
    const QList<double> times = s.sim.timesOf(35);
    QVERIFY2(OffBeat(times).isEmpty(), qPrintable(Text(OffBeat(times))));

    s.link.setMode(mode);
    s.link.setRunning(running);
    s.timer("Timer4")->stop();
    QTest::qWait(100);  // a request already written is in the meter's log
    const int n = s.sim.countOf(35);
    s.link.RequestLiveReading();
    QTRY_COMPARE_WITH_TIMEOUT(s.sim.countOf(35), n + int(polls), 2000);
    s.timer("Timer4")->start();
    QTest::qWait(1100);
    QCOMPARE(s.sim.countOf(35) > n + 1, polls);
}

void TstMeterLink::downloadAsksCountThenGroups_data() {
    QTest::addColumn<int>("groups");
    QTest::addColumn<int>("threshold");
    QTest::newRow("none stored") << 0 << 3;
    QTest::newRow("two") << 2 << 6;
    QTest::newRow("full memory") << 255 << 765;
}

// The count first, the groups 100 ms later with the receive threshold set for all of them,
// then back to one record.
void TstMeterLink::downloadAsksCountThenGroups() {
    QFETCH(int, groups);
    QFETCH(int, threshold);
    SimLink s({"--groups", QString::number(groups)}, LinkMode::History);
    QVERIFY(s.sim.ok());
    QSignalSpy data(&s.link, &MeterLink::groupsReceived);
    s.start();
    QTRY_VERIFY_WITH_TIMEOUT(s.link.deviceConnected(), 3000);
    // The receive threshold after every reply the link handles.
    QList<int> thresholds;
    QObject::connect(&s.port, &serial::CommPort::dataReceived, &s.link,
                     [&] { thresholds.append(s.port.rThreshold()); });

    s.link.RequestHistory();
    QCOMPARE(s.link.lastCommand(), MeterCommand::GroupCount);
    QTRY_COMPARE_WITH_TIMEOUT(s.sim.countOf(25), 1, 2000);
    const double gap = s.sim.timesOf(25).first() - s.sim.timesOf(15).first();
    QVERIFY2(gap > 70 && gap < 600, qPrintable(QString::number(gap)));

    if (groups == 0) {
        // Nothing comes back for the groups request: the count is the last word.
        QTest::qWait(300);
        QCOMPARE(thresholds, QList<int>{3});
        QVERIFY(std::holds_alternative<GroupCount>(s.events.all().last()));
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(data.count(), 1, 2000);
        QCOMPARE(data.first().first().value<QList<measure::MeterRecord>>().size(), groups);
        QCOMPARE(thresholds, (QList<int>{threshold, 3}));
        QCOMPARE(s.events.count<GroupsReceived>(), 1);
    }
    QCOMPARE(s.events.last<GroupCount>()->count, groups);
    QCOMPARE(s.link.storedGroupCount(), groups);
    QCOMPARE(s.port.rThreshold(), 3);
    QVERIFY(!s.link.awaitingHistory());
}

void TstMeterLink::downloadBeforeGreetingSendsNothing() {
    SimLink s({"--silent-for", "30"}, LinkMode::History);
    QVERIFY(s.sim.ok());
    s.start();
    s.link.RequestHistory();
    QTest::qWait(400);
    QCOMPARE(s.sim.countOf(15), 0);
    QCOMPARE(s.sim.countOf(25), 0);
}

void TstMeterLink::downloadEnds_data() {
    using F = DownloadFailure;
    QTest::addColumn<QStringList>("meter");
    QTest::addColumn<F>("why");
    QTest::newRow("garbled count") << QStringList{"--bad-count-every", "1"} << F::CountGarbled;
    // Handshake, count, then the cable is pulled before the groups request.
    QTest::newRow("unplugged after the count") << QStringList{"--unplug-after", "2"} << F::PortLost;
    // The meter freezes once it has answered the greeting.
    QTest::newRow("no count") << QStringList{"freeze"} << F::CountMissing;
}

// A download that fails before its groups request ends there: no groups request goes out.
void TstMeterLink::downloadEnds() {
    QFETCH(QStringList, meter);
    QFETCH(DownloadFailure, why);
    const bool freeze = meter.removeAll(QStringLiteral("freeze")) > 0;
    SimLink s(meter, LinkMode::History);
    QVERIFY(s.sim.ok());
    QSignalSpy data(&s.link, &MeterLink::groupsReceived);
    s.start();
    QTRY_VERIFY_WITH_TIMEOUT(s.link.deviceConnected(), 3000);
    if (freeze) s.sim.pause();
    s.link.RequestHistory();
    QTRY_COMPARE_WITH_TIMEOUT(s.events.count<DownloadFailed>(), 1, 5000);
    QCOMPARE(s.events.last<DownloadFailed>()->failure, why);
    QVERIFY(!s.link.awaitingHistory());
    QTest::qWait(300);  // nothing more goes out for it, nothing is taken as its report
    QCOMPARE(s.sim.countOf(25), 0);
    QCOMPARE(data.count(), 0);
    QCOMPARE(s.events.count<DownloadFailed>(), 1);
}

void TstMeterLink::brokenGroupsReplyIsGivenUp_data() {
    using F = DownloadFailure;
    QTest::addColumn<QStringList>("meter");
    QTest::addColumn<F>("why");
    QTest::addColumn<bool>("lateBytes");
    QTest::addColumn<bool>("nextDownloadWhole");
    QTest::newRow("announces 12, holds 10")
        << QStringList{"--groups", "10", "--announce", "12"} << F::GroupsShort << false << false;
    QTest::newRow("unplugged mid-reply")
        << QStringList{"--groups", "10", "--stall-history", "6:unplug", "--replug-after", "0.3"}
        << F::PortLost << false << true;
    QTest::newRow("pauses mid-reply") << QStringList{"--groups", "10", "--stall-history", "6:2"}
                                      << F::GroupsShort << true << true;
}

// A stored-groups reply that never completes is given up (by its deadline, or when the port
// is lost); its late bytes are no reply to anything, and the link hears the meter again.
void TstMeterLink::brokenGroupsReplyIsGivenUp() {
    QFETCH(QStringList, meter);
    QFETCH(DownloadFailure, why);
    QFETCH(bool, lateBytes);
    QFETCH(bool, nextDownloadWhole);
    SimLink s(meter, LinkMode::History);
    QVERIFY(s.sim.ok());
    QSignalSpy data(&s.link, &MeterLink::groupsReceived);
    QSignalSpy live(&s.link, &MeterLink::liveReading);
    s.start();
    QTRY_VERIFY_WITH_TIMEOUT(s.link.deviceConnected(), 3000);
    // The history mode greets the meter; its answer is in before the download.
    const auto download = [&] {
        const int before = s.events.count<HandshakeAnswered>();
        s.link.setMode(LinkMode::History);
        s.link.SendHandshake();
        if (!QTest::qWaitFor([&] { return s.events.count<HandshakeAnswered>() > before; }, 3000))
            return false;
        s.link.RequestHistory();
        return true;
    };

    QVERIFY(download());
    QTRY_COMPARE_WITH_TIMEOUT(s.events.count<DownloadFailed>(), 1, 5000);
    QCOMPARE(s.events.last<DownloadFailed>()->failure, why);
    QCOMPARE(s.port.rThreshold(), 3);
    if (why == DownloadFailure::PortLost) {
        QTRY_COMPARE_WITH_TIMEOUT(s.events.count<PortOpened>(), 2, 4000);
    } else {
        const qsizetype heard = s.events.all().size();
        const int sent = s.sim.repliesSent();
        if (lateBytes) QTRY_VERIFY_WITH_TIMEOUT(s.sim.repliesSent() > sent, 4000);
        QTest::qWait(300);
        QCOMPARE(s.events.all().size(), heard);
    }
    QCOMPARE(data.count(), 0);

    // Live readings are heard again, each whole.
    s.link.setMode(LinkMode::Live);
    QTRY_VERIFY_WITH_TIMEOUT(!live.isEmpty(), 5000);
    const auto record = live.last().first().value<measure::MeterRecord>();
    QCOMPARE(measure::liveText(measure::decodeRecord(record)), QStringLiteral("12.5mA"));

    QVERIFY(download());
    if (nextDownloadWhole) {
        QTRY_COMPARE_WITH_TIMEOUT(data.count(), 1, 5000);
        QCOMPARE(data.first().first().value<QList<measure::MeterRecord>>().size(), 10);
        QCOMPARE(s.events.count<DownloadFailed>(), 1);
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(s.events.count<DownloadFailed>(), 2, 5000);
        QCOMPARE(s.port.rThreshold(), 3);
    }
}

void TstMeterLink::reopensUntilThePortOpens_data() {
    QTest::addColumn<bool>("busy");  // the device is there, held by another program
    QTest::newRow("device missing") << false;
    QTest::newRow("device busy") << true;
}

// A port that will not open is tried again every second until it opens; then the meter
// is greeted.
void TstMeterLink::reopensUntilThePortOpens() {
    QFETCH(bool, busy);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ttyUSB7"));
    std::optional<MeterSim> sim;
    std::optional<QSerialPort> other;
    if (busy) {
        sim.emplace(QStringList{}, path);
        other.emplace(path);
        QVERIFY(other->open(QIODevice::ReadWrite));
    }
    serial::CommPort port;
    port.setPortMap(MapTo(path));
    MeterLink link(port);
    LinkEvents events(&link);
    link.OpenSerialPort();
    link.SendHandshake();
    QCOMPARE(events.all().size(), 1);
    const OpenFailed failed = *events.last<OpenFailed>();
    QCOMPARE(failed.portNumber, 1);
    QCOMPARE(failed.openResult,
             busy ? serial::OpenResult::PortInUse : serial::OpenResult::InvalidPort);
    QTRY_COMPARE_WITH_TIMEOUT(events.count<OpenFailed>(), 2, 2000);

    if (busy)
        other.reset();  // the other program lets go
    else
        sim.emplace(QStringList{}, path);  // the adapter is plugged in
    QVERIFY(sim->ok());
    QTRY_COMPARE_WITH_TIMEOUT(events.count<PortOpened>(), 1, 3000);
    QTRY_VERIFY_WITH_TIMEOUT(link.deviceConnected(), 3000);
}

// A meter pulled out: the port closes once, is tried again while it is gone, and polling
// resumes by itself when it is back.
void TstMeterLink::unplugAndReplugRecovers() {
    SimLink s({"--unplug-after", "4", "--replug-after", "1.5"});
    QVERIFY(s.sim.ok());
    QSignalSpy lost(&s.port, &serial::CommPort::closedAfterError);
    s.start();
    QTRY_VERIFY_WITH_TIMEOUT(s.link.deviceConnected(), 3000);

    QTRY_VERIFY_WITH_TIMEOUT(s.sim.logText().contains(QStringLiteral("EV unplugged")), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(s.events.count<OpenFailed>() > 0, 3000);
    QCOMPARE(s.events.last<OpenFailed>()->openResult, serial::OpenResult::InvalidPort);
    QVERIFY2(lost.count() <= 2, qPrintable(QString::number(lost.count())));

    QTRY_VERIFY_WITH_TIMEOUT(s.sim.logText().count(QStringLiteral("EV plugged in")) == 2, 5000);
    const int polls = s.sim.countOf(35);
    const int answered = s.events.count<LiveAnswered>();
    QTRY_VERIFY_WITH_TIMEOUT(s.sim.countOf(35) > polls, 4000);
    QTRY_VERIFY_WITH_TIMEOUT(s.events.count<LiveAnswered>() > answered, 2000);
    QCOMPARE(s.events.count<PortOpened>(), 2);
    QVERIFY2(lost.count() <= 2, qPrintable(QString::number(lost.count())));
}

// A meter that stops answering with the port still open is silent after three unanswered
// requests, said once; polling goes on without a greeting, and its next reply is first
// "answers again", then the reading.
void TstMeterLink::silentMeterIsNoticed() {
    SimLink s;
    QVERIFY(s.sim.ok());
    QSignalSpy live(&s.link, &MeterLink::liveReading);
    s.start();
    QTRY_VERIFY_WITH_TIMEOUT(!live.isEmpty(), 3000);
    const int greetings = s.sim.countOf(5);

    s.sim.pause();
    QElapsedTimer silence;
    silence.start();
    QTRY_COMPARE_WITH_TIMEOUT(s.events.count<MeterSilent>(), 1, 8000);
    QVERIFY2(silence.elapsed() >= 900, qPrintable(QString::number(silence.elapsed())));
    const int heard = int(live.count());
    QTest::qWait(700);
    QCOMPARE(live.count(), heard);  // nothing is read in the silent time
    QCOMPARE(s.events.count<MeterSilent>(), 1);

    s.sim.resume();
    QTRY_COMPARE_WITH_TIMEOUT(s.events.count<MeterAnswersAgain>(), 1, 5000);
    const QList<LinkEvent>& all = s.events.all();
    qsizetype again = 0;
    while (!std::holds_alternative<MeterAnswersAgain>(all[again])) ++again;
    QVERIFY(again + 1 < all.size() && std::holds_alternative<LiveAnswered>(all[again + 1]));
    QVERIFY2(s.sim.countOf(35) >= 5, "polling went on during the silence");
    QCOMPARE(s.sim.countOf(5), greetings);
}

void TstMeterLink::refusedLineSettingIsAnEvent_data() {
    QTest::addColumn<bool>("atOpen");  // asked while the port was closed, refused at its open
    QTest::addColumn<QString>("asked");
    QTest::addColumn<QString>("runs");
    // A pseudo-terminal runs 8 data bits without parity and refuses anything else.
    QTest::newRow("taken at a change") << false << "19200,N,8,1"
                                       << "19200,N,8,1";
    QTest::newRow("refused at a change") << false << "9600,N,7,1"
                                         << "9600,N,8,1";
    QTest::newRow("refused at an open") << true << "9600,E,8,1"
                                        << "9600,N,8,1";
}

// A line setting the device will not run is told the same way at an open and at a change.
void TstMeterLink::refusedLineSettingIsAnEvent() {
    QFETCH(bool, atOpen);
    QFETCH(QString, asked);
    QFETCH(QString, runs);
    serial::LineSettings line;
    QVERIFY(serial::parseLineSettings(asked, &line));
    SimLink s;
    QVERIFY(s.sim.ok());
    if (atOpen) QVERIFY(s.link.setLineSettings(line));  // kept for the open
    s.link.OpenSerialPort();
    if (!atOpen) QCOMPARE(s.link.setLineSettings(line), asked == runs);
    QCOMPARE(serial::lineSettingsText(s.link.lineSettings()), runs);
    QCOMPARE(s.events.count<SettingsRefused>(), int(asked != runs));
    if (asked != runs) {
        const SettingsRefused refusal = *s.events.last<SettingsRefused>();
        QCOMPARE(serial::lineSettingsText(refusal.refused), asked);
        QCOMPARE(serial::lineSettingsText(refusal.kept), runs);
    }
}

void TstMeterLink::noMeterAdvice_data() {
    QTest::addColumn<QStringList>("meter");
    QTest::addColumn<LinkMode>("mode");  // history: nothing is asked
    QTest::addColumn<int>("advice");
    QTest::newRow("silent meter") << QStringList{"--silent-for", "60"} << LinkMode::Live << 1;
    QTest::newRow("meter answers, live") << QStringList{} << LinkMode::Live << 0;
    QTest::newRow("meter answers, idle history") << QStringList{} << LinkMode::History << 0;
}

void TstMeterLink::noMeterAdvice() {
    QFETCH(QStringList, meter);
    QFETCH(LinkMode, mode);
    QFETCH(int, advice);
    SimLink s(meter, mode);
    QVERIFY(s.sim.ok());
    s.link.setNoMeterAdviceMs(1500);
    s.start();
    QTest::qWait(3000);  // two advice periods
    QCOMPARE(s.events.count<NoMeterOnPort>(), advice);
    if (advice) {
        const NoMeterOnPort e = *s.events.last<NoMeterOnPort>();
        QCOMPARE(e.portNumber, 1);
        QCOMPARE(e.device, s.sim.link());
        QCOMPARE(e.waitedMs, 1500);
    }
}

// A port closed before the end (an unplug) gets no sign-off byte, and nothing is written.
void TstMeterLink::signOffOnAClosedPortSendsNothing() {
    SimLink s;
    QVERIFY(s.sim.ok());
    s.start();
    QTRY_VERIFY_WITH_TIMEOUT(s.link.deviceConnected(), 3000);
    s.port.close();
    s.link.signOff();
    s.link.stopTimers();
    QTest::qWait(200);
    QCOMPARE(s.sim.countOf(0), 0);
}

QTEST_MAIN(TstMeterLink)
#include "tst_meterlink.moc"
