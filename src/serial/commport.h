#pragma once
// The serial port beside the meter: open and close by port number, a settings text,
// one command byte out, replies collected until a receive threshold is reached.
// Lives on the user-interface thread; every signal is delivered there.

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>

#include "portmap.h"
#include "serialsettings.h"

namespace serial {

// PortInUse: busy, locked, no permission or any other open failure.
// InvalidPort: the device does not exist.
enum class OpenResult { Opened, PortInUse, InvalidPort };

class CommPort : public QObject {
    Q_OBJECT
  public:
    // Most bytes kept waiting for input(); older bytes give way to newer ones beyond it.
    static constexpr int kInBufferLimit = 4096;
    // Receive threshold at creation and after every open and close.
    static constexpr int kDefaultThreshold = 3;

    explicit CommPort(QObject* parent = nullptr);
    ~CommPort() override;

    void setPortMap(const PortMap& map);
    const PortMap& portMap() const;

    void setCommPort(int number);  // takes effect at the next open
    int commPort() const;          // 1 at creation
    QString deviceName() const;    // device of the current number

    // "9600,N,8,1": applied at once if the port is open. A malformed text, or one the port
    // refuses, returns false with a description in *error and leaves settings() and the
    // port's line settings as they were; the port is never closed by it.
    bool setSettings(const QString& text, QString* error = nullptr);
    QString settings() const;  // "9600,N,8,1" at creation

    // Opens the device of commPort() with settings(). Clears both directions after a
    // successful open. On failure *detail receives the system's reason; after an open
    // whose line settings the device would not take, it says so, and settings() then tells
    // what the line really runs. Opening an open port on the same device does nothing.
    OpenResult open(QString* detail = nullptr);
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
    // The layer closed a port that failed (device lost, write or read error).
    void closedAfterError(const QString& reason);
    // A line telling the user what to do about a failed open, for the front end to print on
    // stderr. Given once per change of device or outcome, not on every retry.
    void openAdvice(const QString& line);

  private:
    void onReadyRead();
    void onErrorOccurred(QSerialPort::SerialPortError error);
    bool applyLine(const LineSettings& line, QString* error);
    void closePort();
    void advise(const QString& device, int outcome, const QString& line);

    QSerialPort* port_;
    PortMap map_;
    int number_ = 1;
    LineSettings line_;
    QByteArray in_;
    int threshold_ = kDefaultThreshold;
    QString openDevice_;
    quint64 generation_ = 0;  // changes at every open and close
    bool closeQueued_ = false;
    bool writeFailed_ = false;
    QString adviceDevice_;
    int adviceOutcome_ = -1;
};

}  // namespace serial
