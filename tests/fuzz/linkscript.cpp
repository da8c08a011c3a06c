#include "linkscript.h"

#include <QCoreApplication>
#include <QTimer>
#include <functional>

#include "../serial/scripteddevice.h"
#include "protocol/meterlink.h"
#include "virtualclock.h"

using namespace protocol;

namespace {

// The records the correct meter holds, and its live record.
constexpr quint8 kLiveRecord[3] = {12, 34, 1};  // 12.34 mA
// A correct meter answers a command after this long.
constexpr int kReplyDelayMs = 20;

// A scripted device that tells who listens about every byte written.
class WatchedDevice : public ScriptedDevice {
  public:
    std::function<void(const QByteArray&)> onWrite;
    bool write(const QByteArray& bytes) override {
        const bool ok = ScriptedDevice::write(bytes);
        if (ok && onWrite) onWrite(bytes);
        return ok;
    }
};

bool isCommand(quint8 byte) {
    switch (MeterCommand(byte)) {
        case MeterCommand::SignOff:
        case MeterCommand::Handshake:
        case MeterCommand::GroupCount:
        case MeterCommand::StoredGroups:
        case MeterCommand::LiveReading:
            return true;
    }
    return false;
}

QByteArray storedGroups(int count) {
    QByteArray bytes;
    for (int i = 0; i < count; ++i) {
        bytes += char(i % 100);
        bytes += char(i * 7 % 100);
        bytes += char(1 + i % 26);
    }
    return bytes;
}

// What a correct meter holding `groups` stored groups answers to `command`.
QByteArray correctReply(quint8 command, int groups) {
    switch (MeterCommand(command)) {
        case MeterCommand::Handshake:
            return QByteArray(reinterpret_cast<const char*>(kHandshakeReply), 3);
        case MeterCommand::GroupCount:
            return QByteArray(2, char(kGroupCountPrefix)) + char(groups);
        case MeterCommand::StoredGroups:
            return storedGroups(groups);
        case MeterCommand::LiveReading:
            return QByteArray(reinterpret_cast<const char*>(kLiveRecord), 3);
        case MeterCommand::SignOff:
            break;
    }
    return {};
}

// Reads the script a byte at a time; 0 past its end.
struct Reader {
    const uint8_t* p;
    size_t n, i = 0;
    bool more() const { return i < n; }
    quint8 next() { return i < n ? p[i++] : 0; }
    QByteArray take(size_t count) {
        count = std::min(count, n - i);
        const QByteArray b(reinterpret_cast<const char*>(p + i), qsizetype(count));
        i += count;
        return b;
    }
};

}  // namespace

QString playLinkScript(VirtualClock& clock, const uint8_t* script, size_t size) {
    clock.restart();
    auto* device = new WatchedDevice;
    serial::CommPort port{std::unique_ptr<serial::SerialDevice>(device)};
    serial::PortMap map;
    map.addMapping(QStringLiteral("COM1=ttyFUZZ0"));
    map.addMapping(QStringLiteral("COM2=ttyFUZZ1"));  // COM3 names no device
    port.setPortMap(map);
    MeterLink link(port);
    link.setMode(LinkMode::Live);
    link.setRunning(true);

    int liveReadings = 0;
    QList<measure::MeterRecord> report;
    bool reportCame = false;
    QObject::connect(&link, &MeterLink::liveReading, [&](const measure::MeterRecord& r) {
        ++liveReadings;
        if (device->onWrite &&
            !(r.high == kLiveRecord[0] && r.low == kLiveRecord[1] && r.status == kLiveRecord[2]))
            liveReadings = -1000000;  // the correct meter's reading came out as another
    });
    QObject::connect(&link, &MeterLink::groupsReceived,
                     [&](const QList<measure::MeterRecord>& groups) {
                         report = groups;
                         reportCame = true;
                     });

    Reader in{script, size};
    const int groups = 1 + in.next() % 255;  // the correct meter's stored groups
    const auto lastWritten = [&]() -> quint8 {
        return device->written.isEmpty() ? 0 : quint8(device->written.back());
    };
    link.OpenSerialPort();
    link.SendHandshake();
    while (in.more()) {
        switch (in.next() % 13) {
            case 0:  // noise
                device->feed(in.take(1 + in.next() % 32));
                break;
            case 1:  // the right reply to the last command
                device->feed(correctReply(lastWritten(), groups));
                break;
            case 2: {  // the first part of it
                const QByteArray r = correctReply(lastWritten(), groups);
                if (!r.isEmpty()) device->feed(r.left(in.next() % r.size()));
                break;
            }
            case 3:  // silence
                if (!clock.advance(in.next() * 10))
                    return QStringLiteral("timers ran at one instant");
                break;
            case 4:  // unplugged: the device is gone until plugged in again
                device->fail(serial::DeviceError::Kind::Gone);
                device->openFault = serial::DeviceError{serial::DeviceError::Kind::NotFound, {}};
                break;
            case 5:  // plugged in again
                device->openFault.reset();
                break;
            case 6: {
                const quint8 b = in.next();
                link.setMode(LinkMode(b % 3));
                link.setRunning(b & 4);
                break;
            }
            case 7:
                link.RequestHistory();
                break;
            case 8: {
                static constexpr qint32 kBauds[] = {1200, 2400, 4800, 9600, 19200, 115200};
                const quint8 b = in.next();
                serial::LineSettings line;
                line.baudRate = kBauds[b % 6];
                line.parity = b & 8 ? QSerialPort::EvenParity : QSerialPort::NoParity;
                line.dataBits = b & 16 ? QSerialPort::Data7 : QSerialPort::Data8;
                line.stopBits = b & 32 ? QSerialPort::TwoStop : QSerialPort::OneStop;
                link.setLineSettings(line);
                break;
            }
            case 9:  // a count reply, right or wrong
                device->feed(QByteArray(2, char(kGroupCountPrefix)) + char(in.next()));
                break;
            case 10:
                link.selectPort(1 + in.next() % 3);
                break;
            case 11:  // a read or write fault
                device->fail(serial::DeviceError::Kind::Other, QStringLiteral("I/O error"));
                break;
            case 12:
                link.signOff();
                break;
        }
        QCoreApplication::sendPostedEvents();
    }

    // From here on a correct meter sits on COM1, as the front end asks for live readings.
    device->openFault.reset();
    if (link.portNumber() != 1) link.selectPort(1);
    // It holds the groups it announced last: a count the script fed in is the meter's word.
    device->onWrite = [&](const QByteArray& bytes) {
        const quint8 command = quint8(bytes.back());
        const QByteArray reply = command == quint8(MeterCommand::StoredGroups)
                                     ? storedGroups(link.storedGroupCount())
                                     : correctReply(command, groups);
        if (reply.isEmpty()) return;
        // A child of the link: a reply still on its way ends with it.
        auto* due = new QTimer(&link);
        due->setSingleShot(true);
        QObject::connect(due, &QTimer::timeout, [device, reply] {
            if (device->isOpen()) device->feed(reply);
        });
        due->start(kReplyDelayMs);
    };
    link.setMode(LinkMode::Live);
    link.setRunning(true);
    liveReadings = 0;
    // One re-open, one greeting and one poll, each with its reply, and a poll to spare.
    int liveWithinMs = 1000 + 500 + 500 + 500 + 3 * kReplyDelayMs;
    // A download the script left under way is answered or given up first, by its deadlines.
    // Its deadline was set at the line of its time: at most that of the slowest line here.
    if (link.awaitingHistory()) {
        serial::LineSettings slowest;
        slowest.baudRate = 1200;
        slowest.parity = QSerialPort::EvenParity;
        slowest.stopBits = QSerialPort::TwoStop;
        liveWithinMs += MeterLink::kCountWaitMs + 100 + historyDeadlineMs(255, slowest);
    }
    for (int waited = 0; liveReadings == 0 && waited < liveWithinMs; waited += 10)
        if (!clock.advance(10)) return QStringLiteral("timers ran at one instant");
    if (liveReadings < 0) return QStringLiteral("the live reading was not the meter's");
    if (liveReadings == 0) return QStringLiteral("no live reading from a correct meter");

    link.setMode(LinkMode::History);
    reportCame = false;  // a report asked for before is not this download's
    link.RequestHistory();
    // The count's wait, the groups request 100 ms after the count, the groups' deadline.
    const int historyWithinMs = MeterLink::kCountWaitMs + 100 + kReplyDelayMs +
                                historyDeadlineMs(groups, link.lineSettings());
    for (int waited = 0; !reportCame && waited < historyWithinMs; waited += 10)
        if (!clock.advance(10)) return QStringLiteral("timers ran at one instant");
    if (!reportCame) return QStringLiteral("no report from a correct meter");
    const QList<measure::MeterRecord> expected = measure::recordsOf(storedGroups(groups), groups);
    if (report.size() != expected.size()) return QStringLiteral("the report lost groups");
    for (qsizetype i = 0; i < report.size(); ++i)
        if (report[i].high != expected[i].high || report[i].low != expected[i].low ||
            report[i].status != expected[i].status)
            return QStringLiteral("the report's group %1 is not the meter's").arg(i + 1);

    for (const char c : std::as_const(device->written))
        if (!isCommand(quint8(c)))
            return QStringLiteral("the link wrote %1, no command").arg(quint8(c));
    return QString();
}
