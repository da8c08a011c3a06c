#pragma once
// Which device stands behind a port number. The program speaks of ports as "COM1" ...
// "COM16"; on Windows that is the device name itself, elsewhere a port is the serial
// device /dev/ttyS<n-1> unless the command line maps it (--port COM1=/dev/ttyUSB0).

#include <QMap>
#include <QString>
#include <QStringList>

namespace serial {

// Why a text is no "COMn=device" mapping, with the text as given.
struct MappingError {
    enum class Kind {
        NoEquals,   // no '=' between port and device
        NotCom,     // the port is not written COMn
        BadNumber,  // n is not a number from 1 to PortMap::kMaxPortNumber
        NoDevice,   // nothing after the '='
    };
    Kind kind = Kind::NoEquals;
    QString mapping;
};

class PortMap {
  public:
    // Highest port number a mapping may name (Windows numbers its ports up to COM255).
    static constexpr int kMaxPortNumber = 255;

    // Adds "COMn=device" (the "COM" is case-insensitive, blanks around the parts are
    // ignored). A later mapping of the same number replaces the earlier one. On a
    // malformed text returns false, tells the fault in *error and changes nothing.
    bool addMapping(const QString& mapping, MappingError* error = nullptr);

    // Takes "COMn=device" apart as addMapping() does, without storing it.
    static bool parseMapping(const QString& mapping, int* number, QString* device,
                             MappingError* error = nullptr);

    void setDevice(int portNumber, const QString& device);  // number 1..kMaxPortNumber
    void removeMapping(int portNumber);

    // Whether a port number can stand for a device of the user's choice. Not on Windows, where
    // COMn is the system's own name of the port and no other device can be reached as COMn.
    static bool mapsDevices();

    // Windows: "COMn". Elsewhere the mapped device, or /dev/ttyS<n-1>.
    // An empty text for a number below 1, which names no port.
    QString deviceFor(int portNumber) const;

    bool isMapped(int portNumber) const;
    bool isEmpty() const { return devices_.isEmpty(); }

    // The mapped numbers and their devices, lowest number first.
    const QMap<int, QString>& mappings() const { return devices_; }

    // "COM1=/dev/ttyUSB0" for each mapping, lowest number first.
    QStringList mappingTexts() const;

    // The port number through which `device` is reached: a mapping naming it, else on
    // Linux the number n of /dev/ttyS<n-1>; 0 when no port number reaches it.
    int portNumberOf(const QString& device) const;

  private:
    QMap<int, QString> devices_;
};

}  // namespace serial
