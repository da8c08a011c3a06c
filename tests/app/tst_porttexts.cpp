// What the program says about its ports, word for word, built from what the serial layer
// reports: no port is opened here.

#include <QTest>

#include "app/porttexts.h"

using Problem = serial::OpenProblem::Kind;

class TstPortTexts : public QObject {
    Q_OBJECT
  private slots:
    void texts_data();
    void texts();
};

void TstPortTexts::texts_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    const auto advice = [](const char* name, serial::OpenProblem p, const char* expected) {
        QTest::newRow(name) << app::OpenAdviceLine(p) << QString::fromUtf8(expected);
    };
    advice("advice: no port number", {Problem::InvalidNumber, 0, {}, {}},
           "leakmeter: COM0 is not a valid port; choose COM1 or above");
    advice("advice: missing", {Problem::Missing, 2, "/dev/ttyUSB1", "No such file or directory"},
           "leakmeter: COM2 (/dev/ttyUSB1) does not exist: check the cable or USB adapter, or map "
           "the port with --port COM2=/dev/ttyUSB0");
    advice("advice: no permission", {Problem::NoPermission, 1, "/dev/ttyS0", "Permission denied"},
           "leakmeter: no permission to open /dev/ttyS0 (COM1): add yourself to the dialout group "
           "(sudo usermod -aG dialout $USER), then log out and log in again");
    advice("advice: busy", {Problem::Busy, 1, "/dev/ttyS0", "Permission denied"},
           "leakmeter: /dev/ttyS0 (COM1) is in use by another program: close that program or "
           "choose another port");
    advice("advice: other", {Problem::Other, 3, "/dev/null", "Unsupported operation"},
           "leakmeter: cannot open /dev/null (COM3): Unsupported operation");
}

void TstPortTexts::texts() {
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(text, expected);
}

QTEST_GUILESS_MAIN(TstPortTexts)
#include "tst_porttexts.moc"
