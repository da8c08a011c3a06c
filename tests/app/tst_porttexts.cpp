// What the program says about its ports, word for word, built from what the serial layer
// reports: no port is opened here.

#include <QTest>

#include "app/porttexts.h"

using Problem = serial::OpenProblem::Kind;

namespace {

serial::SerialDeviceInfo Device(const QString& path) {
    serial::SerialDeviceInfo d;
    d.device = path;
    return d;
}

}  // namespace

class TstPortTexts : public QObject {
    Q_OBJECT
  private slots:
    void texts_data();
    void texts();
    void listingShowsEveryField();
};

void TstPortTexts::texts_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    const auto advice = [](const char* name, serial::OpenProblem p, const char* expected) {
        QTest::newRow(name) << app::openAdviceLine(p) << QString::fromUtf8(expected);
    };
    advice("advice: no port number", {Problem::InvalidNumber, 0, {}, {}},
           "leakmeter: COM0 is not a valid port; choose COM1 or above");
    // Where a port can be mapped the advice says how; on Windows COMn is the port itself.
    advice("advice: missing", {Problem::Missing, 2, "/dev/ttyUSB1", "No such file or directory"},
           serial::PortMap::mapsDevices()
               ? "leakmeter: COM2 (/dev/ttyUSB1) does not exist: check the cable or USB adapter, "
                 "or map the port with --port COM2=/dev/ttyUSB0"
               : "leakmeter: COM2 does not exist: check the cable or USB adapter; 'leakmeter "
                 "--list-ports' lists the ports this computer has");
    advice("advice: no permission", {Problem::NoPermission, 1, "/dev/ttyS0", "Permission denied"},
           "leakmeter: no permission to open /dev/ttyS0 (COM1): add yourself to the dialout group "
           "(sudo usermod -aG dialout $USER), then log out and log in again");
    advice("advice: busy", {Problem::Busy, 1, "/dev/ttyS0", "Permission denied"},
           "leakmeter: /dev/ttyS0 (COM1) is in use by another program: close that program or "
           "choose another port");
    advice("advice: other", {Problem::Other, 3, "/dev/null", "Unsupported operation"},
           "leakmeter: cannot open /dev/null (COM3): Unsupported operation");
    // Windows names the device as the port: said once, not "COM3 (COM3)".
    advice("advice: busy, device named as its port", {Problem::Busy, 3, "COM3", "Access denied"},
           "leakmeter: COM3 is in use by another program: close that program or choose another "
           "port");
    advice("advice: other, device named as its port", {Problem::Other, 12, "com12", "Failed"},
           "leakmeter: cannot open COM12: Failed");

    QStringList words;
    for (int a = 0; a <= int(serial::ProbeAnswer::Failed); ++a)
        words << app::probeAnswerText(serial::ProbeAnswer(a));
    QTest::newRow("probe answers")
        << words.join('|')
        << "answered|no answer|not the meter's answer|busy|permission denied|does not exist|failed";

    QTest::newRow("store: no access")
        << app::portStoreErrorText({"/x/leakmeter.conf", QSettings::AccessError})
        << "cannot write /x/leakmeter.conf (no access)";
    QTest::newRow("store: format")
        << app::portStoreErrorText({"/x/leakmeter.conf", QSettings::FormatError})
        << "cannot write /x/leakmeter.conf (format error)";
}

void TstPortTexts::texts() {
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(text, expected);
}

void TstPortTexts::listingShowsEveryField() {
    serial::SerialDeviceInfo usb = Device("/dev/ttyUSB0"), gone = Device("/dev/ttyUSB9");
    usb.vendorId = 0x0403;
    usb.productId = 0x6001;
    usb.description = QStringLiteral("FT232R USB UART");
    usb.manufacturer = QStringLiteral("FTDI");
    usb.serialNumber = QStringLiteral("A50285BI");
    usb.portNumber = 1;
    gone.present = false;
    const QStringList lines =
        app::deviceListingText({usb, Device("/dev/ttyS1"), gone}).split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 5);  // heading, three devices, nothing after the last break
    QCOMPARE(lines[0].simplified(),
             QStringLiteral("PORT DEVICE VID:PID SERIAL MANUFACTURER DESCRIPTION"));
    QCOMPARE(lines[1].simplified(),
             QStringLiteral("COM1 /dev/ttyUSB0 0403:6001 A50285BI FTDI FT232R USB UART"));
    QCOMPARE(lines[2].simplified(), QStringLiteral("- /dev/ttyS1 - - - -"));
    QCOMPARE(lines[3].simplified(), QStringLiteral("- /dev/ttyUSB9 - - - (not present)"));
    // Columns line up.
    QCOMPARE(lines[1].indexOf(QStringLiteral("/dev/ttyUSB0")), lines[0].indexOf("DEVICE"));
    QCOMPARE(app::deviceListingText({}), QStringLiteral("No serial devices found.\n"));
}

QTEST_GUILESS_MAIN(TstPortTexts)
#include "tst_porttexts.moc"
