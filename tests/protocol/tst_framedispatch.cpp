// Every branch of the reply dispatch, driven by byte vectors.
#include <QtTest>

#include "protocol/framedispatch.h"

using protocol::dispatchFrame;
using protocol::FrameAction;
using Route = FrameAction::Route;

Q_DECLARE_METATYPE(Route)
Q_DECLARE_METATYPE(protocol::ReplyOutcome)

class TstFrameDispatch : public QObject {
    Q_OBJECT

  private slots:
    void dispatch_data();
    void dispatch();
};

static QByteArray Bytes(std::initializer_list<int> v) {
    QByteArray b;
    for (int x : v) b.append(char(x));
    return b;
}

void TstFrameDispatch::dispatch_data() {
    QTest::addColumn<int>("command");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("ignored");
    QTest::addColumn<protocol::ReplyOutcome>("outcome");
    QTest::addColumn<bool>("handshakeOk");
    QTest::addColumn<int>("count");      // -1: unchanged
    QTest::addColumn<int>("threshold");  // -1: unchanged
    QTest::addColumn<Route>("route");

    using O = protocol::ReplyOutcome;
    const O ok = O::HandshakeAnswered, bad = O::HandshakeRefused, countFail = O::GroupCountGarbled;
    const O none = O(-1);  // ignored: no outcome

    // Handshake: all three bytes are compared, extra bytes are ignored.
    QTest::newRow("handshake ok") << 5 << Bytes({0xD5, 0x55, 0x55}) << false << ok << true << -1
                                  << -1 << Route::None;
    QTest::newRow("handshake ok, longer") << 5 << Bytes({0xD5, 0x55, 0x55, 0x00, 0x12}) << false
                                          << ok << true << -1 << -1 << Route::None;
    QTest::newRow("handshake swapped")
        << 5 << Bytes({0x55, 0xD5, 0x55}) << false << bad << false << -1 << -1 << Route::None;
    QTest::newRow("handshake last byte off")
        << 5 << Bytes({0xD5, 0x55, 0x54}) << false << bad << false << -1 << -1 << Route::None;
    QTest::newRow("handshake group reply")
        << 5 << Bytes({0x05, 0x05, 0x03}) << false << bad << false << -1 << -1 << Route::None;
    QTest::newRow("handshake short")
        << 5 << Bytes({0xD5, 0x55}) << true << none << false << -1 << -1 << Route::None;
    QTest::newRow("handshake empty")
        << 5 << QByteArray() << true << none << false << -1 << -1 << Route::None;

    // Group count: the threshold follows the count, 3 for an empty meter.
    QTest::newRow("count 12") << 15 << Bytes({5, 5, 12}) << false << O::GroupCount << false << 12
                              << 36 << Route::None;
    QTest::newRow("count 0") << 15 << Bytes({5, 5, 0}) << false << O::GroupCount << false << 0 << 3
                             << Route::None;
    QTest::newRow("count 1") << 15 << Bytes({5, 5, 1}) << false << O::GroupCount << false << 1 << 3
                             << Route::None;
    QTest::newRow("count 255") << 15 << Bytes({5, 5, 0xFF}) << false << O::GroupCount << false
                               << 255 << 765 << Route::None;
    QTest::newRow("count bad second byte")
        << 15 << Bytes({5, 4, 10}) << false << countFail << false << -1 << 3 << Route::None;
    QTest::newRow("count bad first byte")
        << 15 << Bytes({0xD5, 0x55, 0x55}) << false << countFail << false << -1 << 3 << Route::None;
    QTest::newRow("count short") << 15 << Bytes({5, 5}) << true << none << false << -1 << -1
                                 << Route::None;

    // History data: no check on content; the report takes what is there.
    QTest::newRow("history") << 25 << Bytes({1, 0x17, 1, 1, 0, 9}) << false << O::GroupsReceived
                             << false << -1 << 3 << Route::BuildReport;
    QTest::newRow("history odd length") << 25 << Bytes({1, 2, 3, 4}) << false << O::GroupsReceived
                                        << false << -1 << 3 << Route::BuildReport;

    // Live reading: count 1, record decoded.
    QTest::newRow("live") << 35 << Bytes({1, 0x19, 1}) << false << O::LiveAnswered << false << 1
                          << -1 << Route::DecodeLive;
    QTest::newRow("live invalid code still routed")
        << 35 << Bytes({0, 0, 0xFF}) << false << O::LiveAnswered << false << 1 << -1
        << Route::DecodeLive;
    QTest::newRow("live short") << 35 << Bytes({1, 2}) << true << none << false << -1 << -1
                                << Route::None;

    // No command outstanding, or the sign-off byte, or anything unknown.
    QTest::newRow("after sign-off") << 0 << Bytes({0xD5, 0x55, 0x55}) << false << O::Unknown
                                    << false << -1 << -1 << Route::None;
    QTest::newRow("unknown command")
        << 99 << Bytes({1, 2, 3}) << false << O::Unknown << false << -1 << -1 << Route::None;
}

void TstFrameDispatch::dispatch() {
    QFETCH(int, command);
    QFETCH(QByteArray, reply);
    QFETCH(bool, ignored);
    QFETCH(protocol::ReplyOutcome, outcome);
    QFETCH(bool, handshakeOk);
    QFETCH(int, count);
    QFETCH(int, threshold);
    QFETCH(Route, route);

    const FrameAction a = dispatchFrame(protocol::MeterCommand(command), reply);
    QCOMPARE(a.ignored, ignored);
    QCOMPARE(a.outcome.value_or(protocol::ReplyOutcome(-1)), outcome);
    QCOMPARE(a.handshakeOk, handshakeOk);
    QCOMPARE(a.storedGroupCount.value_or(-1), count);
    QCOMPARE(a.receiveThreshold.value_or(-1), threshold);
    QCOMPARE(a.route, route);
}

QTEST_APPLESS_MAIN(TstFrameDispatch)
#include "tst_framedispatch.moc"
