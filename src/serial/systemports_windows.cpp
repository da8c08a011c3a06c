// The serial ports of Windows: the Ports class of the device manager through SetupAPI (its
// friendly name, manufacturer, and for a USB adapter the VID:PID and serial number from the
// instance id "USB\VID_0403&PID_6001\A700eXYZ"), then any COM port the system's serial map
// (HARDWARE\DEVICEMAP\SERIALCOMM) names that the device manager does not show, such as a port
// of Wine mapped to a Linux device.

#include <windows.h>
// After windows.h.
#include <devguid.h>
#include <setupapi.h>

#include <QRegularExpression>
#include <algorithm>

#include "systemports.h"

namespace serial {
namespace {

QString registryText(HKEY key, const wchar_t* name) {
    wchar_t value[256] = {};
    DWORD size = sizeof value - sizeof(wchar_t), type = 0;
    if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return QString();
    return QString::fromWCharArray(value).trimmed();
}

QString deviceProperty(HDEVINFO set, SP_DEVINFO_DATA* device, DWORD property) {
    wchar_t value[512] = {};
    if (!::SetupDiGetDeviceRegistryPropertyW(set, device, property, nullptr,
                                             reinterpret_cast<BYTE*>(value),
                                             sizeof value - sizeof(wchar_t), nullptr))
        return QString();
    return QString::fromWCharArray(value).trimmed();
}

// VID, PID and serial number out of a USB device's instance id.
void readUsbIdentity(const QString& instanceId, SerialDeviceInfo* info) {
    static const QRegularExpression kUsb(
        QStringLiteral("VID_([0-9A-F]{4})&PID_([0-9A-F]{4})(?:[^\\\\]*)\\\\([^\\\\&]+)?$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = kUsb.match(instanceId);
    if (!m.hasMatch()) return;
    info->vendorId = quint16(m.captured(1).toUShort(nullptr, 16));
    info->productId = quint16(m.captured(2).toUShort(nullptr, 16));
    info->serialNumber = m.captured(3);
}

void addDeviceManagerPorts(QList<SerialDeviceInfo>* out) {
    const HDEVINFO set =
        ::SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) return;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD i = 0; ::SetupDiEnumDeviceInfo(set, i, &device); ++i) {
        const HKEY key =
            ::SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key == INVALID_HANDLE_VALUE) continue;
        const QString port = registryText(key, L"PortName");
        ::RegCloseKey(key);
        if (!port.startsWith(QLatin1String("COM"), Qt::CaseInsensitive)) continue;  // LPT
        SerialDeviceInfo info;
        info.device = port.toUpper();
        info.description = deviceProperty(set, &device, SPDRP_FRIENDLYNAME);
        if (info.description.isEmpty())
            info.description = deviceProperty(set, &device, SPDRP_DEVICEDESC);
        info.manufacturer = deviceProperty(set, &device, SPDRP_MFG);
        wchar_t instance[512] = {};
        if (::SetupDiGetDeviceInstanceIdW(set, &device, instance, 511, nullptr))
            readUsbIdentity(QString::fromWCharArray(instance), &info);
        out->append(info);
    }
    ::SetupDiDestroyDeviceInfoList(set);
}

void addSerialMapPorts(QList<SerialDeviceInfo>* out) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ,
                        &key) != ERROR_SUCCESS)
        return;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256] = {}, value[256] = {};
        DWORD nameSize = 255, valueSize = sizeof value - sizeof(wchar_t), type = 0;
        if (::RegEnumValueW(key, i, name, &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(value),
                            &valueSize) != ERROR_SUCCESS)
            break;
        if (type != REG_SZ) continue;
        const QString port = QString::fromWCharArray(value).trimmed().toUpper();
        if (!port.startsWith(QLatin1String("COM"))) continue;
        if (std::any_of(out->cbegin(), out->cend(),
                        [&](const SerialDeviceInfo& d) { return d.device == port; }))
            continue;
        SerialDeviceInfo info;
        info.device = port;
        out->append(info);
    }
    ::RegCloseKey(key);
}

}  // namespace

QList<SerialDeviceInfo> systemSerialDevices() {
    QList<SerialDeviceInfo> out;
    addDeviceManagerPorts(&out);
    addSerialMapPorts(&out);
    return out;
}

}  // namespace serial
