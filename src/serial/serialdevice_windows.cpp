// The serial device on Windows, on the Win32 serial calls: CreateFile on \\.\COMn (COM10 and
// up too), SetCommState, SetCommTimeouts, blocking WriteFile, and ReadFile in a thread of its
// own that hands the bytes to the device's thread. No completion port is waited on: the plain
// calls behave the same on Windows and under Wine. Reads wait at most a few milliseconds for a
// first byte, so a write (which Windows queues behind a read on the same handle) waits no
// longer than that.

#include <windows.h>

#include <QDeadlineTimer>
#include <QMetaObject>
#include <QMutex>
#include <QWaitCondition>
#include <atomic>
#include <thread>
#include <utility>

#include "serialdevice.h"

namespace serial {
namespace {

constexpr DWORD kReadFirstByteMs = 20;  // a read with nothing to read returns after this
constexpr DWORD kReadGapMs = 5;         // a gap this long after some bytes ends the read
constexpr DWORD kWriteMs = 2000;        // a write the line does not take by then has failed

QString systemWords(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD n = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    QString words = n ? QString::fromWCharArray(text, int(n)).trimmed()
                      : QStringLiteral("system error %1").arg(error);
    if (text) ::LocalFree(text);
    return words;
}

DeviceError::Kind kindOfOpenError(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return DeviceError::Kind::NotFound;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
            return DeviceError::Kind::Denied;
        default:
            return DeviceError::Kind::Other;
    }
}

BYTE parityOf(QSerialPort::Parity parity) {
    switch (parity) {
        case QSerialPort::EvenParity:
            return EVENPARITY;
        case QSerialPort::OddParity:
            return ODDPARITY;
        case QSerialPort::MarkParity:
            return MARKPARITY;
        case QSerialPort::SpaceParity:
            return SPACEPARITY;
        default:
            return NOPARITY;
    }
}

QSerialPort::Parity parityFrom(BYTE parity) {
    switch (parity) {
        case EVENPARITY:
            return QSerialPort::EvenParity;
        case ODDPARITY:
            return QSerialPort::OddParity;
        case MARKPARITY:
            return QSerialPort::MarkParity;
        case SPACEPARITY:
            return QSerialPort::SpaceParity;
        default:
            return QSerialPort::NoParity;
    }
}

BYTE stopBitsOf(QSerialPort::StopBits stop) {
    return stop == QSerialPort::TwoStop          ? TWOSTOPBITS
           : stop == QSerialPort::OneAndHalfStop ? ONE5STOPBITS
                                                 : ONESTOPBIT;
}

QSerialPort::StopBits stopBitsFrom(BYTE stop) {
    return stop == TWOSTOPBITS    ? QSerialPort::TwoStop
           : stop == ONE5STOPBITS ? QSerialPort::OneAndHalfStop
                                  : QSerialPort::OneStop;
}

class WindowsSerialDevice final : public SerialDevice {
  public:
    ~WindowsSerialDevice() override { close(); }

    std::optional<DeviceError> open(const QString& path, const LineSettings& line) override {
        close();
        const QString name =
            path.startsWith(QLatin1String("\\\\")) ? path : QStringLiteral("\\\\.\\") + path;
        const HANDLE h = ::CreateFileW(reinterpret_cast<const wchar_t*>(name.utf16()),
                                       GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            const DWORD error = ::GetLastError();
            errorString_ = systemWords(error);
            return DeviceError{kindOfOpenError(error), errorString_};
        }
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        COMMTIMEOUTS timeouts{kReadGapMs, 0, kReadFirstByteMs, 0, kWriteMs};
        if (!::GetCommState(h, &dcb) || !::SetCommTimeouts(h, &timeouts)) {
            const DWORD error = ::GetLastError();
            ::CloseHandle(h);
            errorString_ = systemWords(error);
            return DeviceError{DeviceError::Kind::Other, errorString_};
        }
        // Raw bytes, no flow control of either kind, DTR and RTS up as a meter's cable expects.
        dcb.fBinary = TRUE;
        dcb.fParity = FALSE;
        dcb.fOutxCtsFlow = FALSE;
        dcb.fOutxDsrFlow = FALSE;
        dcb.fDtrControl = DTR_CONTROL_ENABLE;
        dcb.fDsrSensitivity = FALSE;
        dcb.fOutX = FALSE;
        dcb.fInX = FALSE;
        dcb.fNull = FALSE;
        dcb.fRtsControl = RTS_CONTROL_ENABLE;
        dcb.fAbortOnError = FALSE;
        if (!::SetCommState(h, &dcb)) {
            const DWORD error = ::GetLastError();
            ::CloseHandle(h);
            errorString_ = systemWords(error);
            return DeviceError{DeviceError::Kind::Other, errorString_};
        }
        handle_ = h;
        // As the driver takes them, unchecked: CommPort reads back what is in force.
        setLine(line);
        ::PurgeComm(h, PURGE_RXCLEAR | PURGE_TXCLEAR);
        stop_ = false;
        reader_ = std::thread([this] { readLoop(); });
        return std::nullopt;
    }

    void close() override {
        if (handle_ == INVALID_HANDLE_VALUE) return;
        stop_ = true;
        ::CancelIoEx(handle_, nullptr);
        if (reader_.joinable()) reader_.join();
        ::CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
        QMutexLocker lock(&mutex_);
        in_.clear();
        fault_.reset();
    }

    bool isOpen() const override { return handle_ != INVALID_HANDLE_VALUE; }

    std::optional<LineField> setLine(const LineSettings& line) override {
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        if (!isOpen() || !::GetCommState(handle_, &dcb)) return LineField::BaudRate;
        const auto apply = [&](auto change) -> bool {
            change();
            if (::SetCommState(handle_, &dcb)) return true;
            errorString_ = systemWords(::GetLastError());
            return false;
        };
        if (!apply([&] { dcb.BaudRate = DWORD(line.baudRate); })) return LineField::BaudRate;
        if (!apply([&] { dcb.Parity = parityOf(line.parity); })) return LineField::Parity;
        if (!apply([&] { dcb.ByteSize = BYTE(line.dataBits); })) return LineField::DataBits;
        if (!apply([&] { dcb.StopBits = stopBitsOf(line.stopBits); })) return LineField::StopBits;
        return std::nullopt;
    }

    std::optional<LineSettings> lineInForce(const LineSettings& asked) const override {
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        if (!isOpen() || !::GetCommState(handle_, &dcb)) return std::nullopt;
        LineSettings actual = asked;
        actual.baudRate = qint32(dcb.BaudRate);
        actual.parity = parityFrom(dcb.Parity);
        if (dcb.ByteSize >= 5 && dcb.ByteSize <= 8)
            actual.dataBits = QSerialPort::DataBits(dcb.ByteSize);
        actual.stopBits = stopBitsFrom(dcb.StopBits);
        return actual;
    }

    bool runsOneAndHalfStop() const override { return true; }

    bool write(const QByteArray& bytes) override {
        if (!isOpen()) return false;
        const char* data = bytes.constData();
        qint64 left = bytes.size();
        while (left > 0) {
            DWORD written = 0;
            if (!::WriteFile(handle_, data, DWORD(left), &written, nullptr)) {
                raise(::GetLastError());
                return false;
            }
            if (written == 0) {
                raise(ERROR_TIMEOUT);
                return false;
            }
            data += written;
            left -= written;
        }
        return true;
    }

    qint64 bytesToWrite() const override { return 0; }  // writes return when the driver has them

    DeviceWait waitForBytesWritten(int) override {
        return isOpen() ? DeviceWait::Done : DeviceWait::Failed;
    }

    QByteArray readAll() override {
        QMutexLocker lock(&mutex_);
        return std::exchange(in_, {});
    }

    qint64 bytesAvailable() const override {
        QMutexLocker lock(&mutex_);
        return in_.size();
    }

    DeviceWait waitForReadyRead(int msecs) override {
        if (!isOpen()) return DeviceWait::Failed;
        QMutexLocker lock(&mutex_);
        const QDeadlineTimer deadline(msecs);
        while (in_.isEmpty() && !fault_) {
            if (!arrived_.wait(&mutex_, deadline)) break;
        }
        if (!in_.isEmpty()) return DeviceWait::Done;
        return fault_ ? DeviceWait::Failed : DeviceWait::TimedOut;
    }

    void discardInput() override {
        if (isOpen()) ::PurgeComm(handle_, PURGE_RXCLEAR);
        QMutexLocker lock(&mutex_);
        in_.clear();
    }

    void discardOutput() override {
        if (isOpen()) ::PurgeComm(handle_, PURGE_TXCLEAR | PURGE_TXABORT);
    }

    QString errorString() const override { return errorString_; }

  private:
    // On the reader's thread until close() stops it, or the device goes away: a read fails (a
    // USB adapter pulled out), or a read that found nothing is followed by a failed look at the
    // line's state (a line that hung up, which Wine reads as an empty line).
    void readLoop() {
        char buffer[4096];
        while (!stop_) {
            DWORD n = 0;
            DWORD errors = 0;
            COMSTAT state{};
            const bool read = ::ReadFile(handle_, buffer, sizeof buffer, &n, nullptr);
            if (!read || (n == 0 && !::ClearCommError(handle_, &errors, &state))) {
                const DWORD error = ::GetLastError();
                if (stop_) return;
                QMutexLocker lock(&mutex_);
                fault_ = DeviceError{DeviceError::Kind::Gone, systemWords(error)};
                arrived_.wakeAll();
                lock.unlock();
                QMetaObject::invokeMethod(
                    this, [this] { reportFault(); }, Qt::QueuedConnection);
                return;
            }
            if (n == 0) continue;
            QMutexLocker lock(&mutex_);
            const bool wasEmpty = in_.isEmpty();
            in_.append(buffer, qsizetype(n));
            arrived_.wakeAll();
            lock.unlock();
            if (wasEmpty)
                QMetaObject::invokeMethod(
                    this,
                    [this] {
                        if (bytesAvailable() > 0) emit readyRead();
                    },
                    Qt::QueuedConnection);
        }
    }

    void reportFault() {
        QMutexLocker lock(&mutex_);
        if (!fault_ || !isOpen()) return;
        const DeviceError fault = *fault_;
        lock.unlock();
        errorString_ = fault.systemReason;
        emit errorOccurred(fault);
    }

    // A failed write on the caller's thread.
    void raise(DWORD error) {
        errorString_ = systemWords(error);
        const bool gone = error != ERROR_TIMEOUT;
        emit errorOccurred(
            DeviceError{gone ? DeviceError::Kind::Gone : DeviceError::Kind::Other, errorString_});
    }

    HANDLE handle_ = INVALID_HANDLE_VALUE;
    std::thread reader_;
    std::atomic<bool> stop_{false};
    mutable QMutex mutex_;
    QWaitCondition arrived_;
    QByteArray in_;                     // read, not yet taken; under mutex_
    std::optional<DeviceError> fault_;  // the read that failed; under mutex_
    QString errorString_;
};

}  // namespace

std::unique_ptr<SerialDevice> newSerialDevice() {
    return std::make_unique<WindowsSerialDevice>();
}

}  // namespace serial
