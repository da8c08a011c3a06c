#pragma once
// The serial port beside the meter: open and close by port number, typed line settings,
// one command byte out, replies collected until a receive threshold is reached.
// Lives on the user-interface thread; every signal is delivered there.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <memory>
#include <optional>

#include "portmap.h"
#include "serialdevice.h"
#include "serialsettings.h"

namespace serial {

// PortInUse: busy, locked, no permission or any other open failure.
// InvalidPort: the device does not exist.
enum class OpenResult { Opened, PortInUse, InvalidPort };

// Why an open failed, for the front end to tell the user what to do about it.
struct OpenProblem {
    enum class Kind {
        InvalidNumber,  // the port number names no port
        Missing,        // the device does not exist
        NoPermission,   // the user may not read and write the device
        Busy,           // another program holds or locks the device
        Other,          // any other failure; systemReason says which
    };
    Kind kind = Kind::Other;
    int portNumber = 0;
    QString device;        // empty for InvalidNumber
    QString systemReason;  // the system's own words for the failure; empty for InvalidNumber
};

// Why setLineSettings() left the line as it was.
struct SettingsRefusal {
    enum class Kind {
        NoOneAndHalfStop,  // the system cannot run 1.5 stop bits
        Refused,           // the driver refused `field` of `asked`; systemReason says why
        KeptOwn,           // the driver took `asked` and kept running `runs`
    };
    Kind kind = Kind::Refused;
    LineField field = LineField::BaudRate;
    LineSettings asked, runs;
    QString systemReason;
};

class CommPort : public QObject {
    Q_OBJECT
  public:
    // Most bytes kept waiting for input(); older bytes give way to newer ones beyond it.
    static constexpr int kInBufferLimit = 4096;
    // Receive threshold at creation and after every open and close.
    static constexpr int kDefaultThreshold = 3;

    explicit CommPort(QObject* parent = nullptr);  // on this system's serial device
    // On `device`, which the port takes over.
    explicit CommPort(std::unique_ptr<SerialDevice> device, QObject* parent = nullptr);
    ~CommPort() override;

    void setPortMap(const PortMap& map);
    const PortMap& portMap() const;

    void setCommPort(int number);  // takes effect at the next open
    int commPort() const;          // 1 at creation
    QString deviceName() const;    // device of the current number

    // Applied at once if the port is open. Settings the port refuses return false with the
    // reason in *refusal and leave lineSettings() and the port's line as they were; the port
    // is never closed by it.
    bool setLineSettings(const LineSettings& line, SettingsRefusal* refusal = nullptr);
    const LineSettings& lineSettings() const;  // 9600,N,8,1 at creation

    // Opens the device of commPort() with lineSettings(). Clears both directions after a
    // successful open. A failure is explained with openProblem(). After an open whose line
    // settings the device would not take, lineSettings() tells what the line really runs.
    // Opening an open port on the same device does nothing; on another, it fails.
    OpenResult open();
    void close();  // safe on a closed port
    bool isOpen() const;

    // Writes one command byte after discarding stale input. False when the port is
    // closed (nothing is sent) or the write failed.
    bool output(quint8 byte);
    QByteArray input();  // takes all waiting bytes; empty on a closed port
    int inBufferCount() const;
    void clearInput();

    // 3 at creation and again at every open and close; 0 = no receive notification.
    void setRThreshold(int bytes);
    int rThreshold() const;

  signals:
    // At least rThreshold() bytes wait.
    void dataReceived();
    // The layer closed a port that failed (device lost, write or read error); `reason` is
    // "the device is gone" for a device that went away, else the system's text.
    void closedAfterError(const QString& reason);
    // Why an open failed, for the front end to tell the user what to do about it. Given
    // once per change of device or outcome, not on every retry.
    void openProblem(const serial::OpenProblem& problem);

  private:
    void onReadyRead();
    void onDeviceError(const DeviceError& error);
    bool applyLine(const LineSettings& line, SettingsRefusal* refusal);
    void closePort();
    // Emits openProblem() unless the last open ended the same way on the same device;
    // nothing (a successful open) forgets the last problem.
    void advise(const std::optional<OpenProblem>& problem);

    SerialDevice* port_;  // a child of this port
    PortMap map_;
    int number_ = 1;
    LineSettings line_;
    QByteArray in_;
    int threshold_ = kDefaultThreshold;
    QString openDevice_;
    quint64 generation_ = 0;  // changes at every open and close
    bool closeQueued_ = false;
    bool writeFailed_ = false;
    std::optional<OpenProblem> advised_;
};

}  // namespace serial
