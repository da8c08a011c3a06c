#pragma once
// Which device stands behind a port number. The program speaks of ports as "COM1" ...
// "COM16"; on Windows that is the device name itself, elsewhere a port is the serial
// device /dev/ttyS<n-1> unless the command line maps it (--port COM1=/dev/ttyUSB0).

#include <QMap>
#include <QString>

namespace serial {

class PortMap {
  public:
    // Highest port number a mapping may name (Windows numbers its ports up to COM255).
    static constexpr int kMaxPortNumber = 255;

    // Adds "COMn=device" (the "COM" is case-insensitive, blanks around the parts are
    // ignored). A later mapping of the same number replaces the earlier one. On a
    // malformed text returns false, describes the fault in *error and changes nothing.
    bool addMapping(const QString& mapping, QString* error = nullptr);

    // Windows: "COMn". Elsewhere the mapped device, or /dev/ttyS<n-1>.
    // An empty text for a number below 1, which names no port.
    QString deviceFor(int portNumber) const;

    bool isMapped(int portNumber) const;

  private:
    QMap<int, QString> devices_;
};

}  // namespace serial
