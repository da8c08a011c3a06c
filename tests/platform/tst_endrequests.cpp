// The requests to end the program from outside, delivered as the system delivers them: each
// reaches the event loop once, with its number and name; where the system ends the process as
// soon as the request's handler returns, the handler holds on until the run has ended, and
// lets go at once when it has.

#include <QElapsedTimer>
#include <QtTest>
#include <vector>

#include "endrequestdelivery.h"
#include "platform/endrequests.h"

Q_DECLARE_METATYPE(EndRequestKind)

class TestEndRequests : public QObject {
    Q_OBJECT
  private slots:
    void requestEndsTheRunThroughTheEventLoop_data() {
        QTest::addColumn<EndRequestKind>("kind");
        for (const EndRequestKind& k : endRequestKinds()) QTest::newRow(k.tag) << k;
    }

    void requestEndsTheRunThroughTheEventLoop() {
        QFETCH(EndRequestKind, kind);
        QObject run;
        std::vector<int> heard;
        QObject* watch =
            platform::watchEndRequests(&run, [&heard](int number) { heard.push_back(number); });
        QVERIFY(watch);
        QVERIFY2(!platform::watchEndRequests(&run, [](int) {}), "one watch per process");

        const std::unique_ptr<EndRequestDelivery> delivery = deliverEndRequest(kind);
        QTRY_COMPARE(heard, std::vector<int>{kind.number});
        QCOMPARE(platform::endRequestName(kind.number), kind.name);

        if (kind.holdsTheEnd) {
            QVERIFY2(!delivery->returned(300), "let go before the run had ended");
            QElapsedTimer ending;
            ending.start();
            delete watch;  // the run has ended through its closing path
            QVERIFY(delivery->returned(2000));
            QVERIFY2(ending.elapsed() < 2000, "the run's end waited for the handler's time-out");
        } else {
            QVERIFY(delivery->returned(2000));
            delete watch;
        }
        QCOMPARE(heard.size(), size_t(1));
    }
};

QTEST_GUILESS_MAIN(TestEndRequests)
#include "tst_endrequests.moc"
