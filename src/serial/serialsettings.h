#pragma once
// The five serial settings as the settings dialog lists them, and the settings text
// ("9600,N,8,1") through which they reach the port.

#include <QSerialPort>
#include <QString>
#include <optional>

namespace serial {

// The five settings, kept as text exactly as the settings dialog lists them.
struct SerialSettings {
    QString PortName = "COM1", BaudRate = "9600", Parity = "NONE", DataBits = "8", StopBits = "1";
};

// Stores the start-up defaults: COM1, 9600 baud, no parity, 8 data bits, 1 stop bit.
void SetDefaultSerialSettings(SerialSettings& s);

// BaudRate, first letter of Parity, DataBits and StopBits joined by commas: "9600,N,8,1".
QString SettingsText(const SerialSettings& s);

// Makes `s` describe the line of a settings text as the settings dialog lists it ("9600,N,8,1"
// gives "9600", "NONE", "8", "1"); PortName is kept. False, and `s` unchanged, for a text that
// is not a valid settings text.
bool AdoptSettingsText(SerialSettings& s, const QString& text);

// A settings text taken apart into the values the port understands.
struct LineSettings {
    qint32 baudRate = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;

    friend bool operator==(const LineSettings&, const LineSettings&) = default;
};

// The four fields of a settings text, in their order there.
enum class LineField { BaudRate, Parity, DataBits, StopBits };

// Why a text is no settings text: the field at fault and that field as written, or no
// field and the whole text when it does not have four fields.
struct SettingsTextError {
    std::optional<LineField> field;
    QString text;
};

// Parses "baud,parity,databits,stopbits": baud a positive decimal number (at most 4000000),
// parity one of N, E, O, M, S (either case), data bits 5 to 8, stop bits 1, 1.5 or 2.
// On failure returns false, leaves *out untouched and tells the fault in *error.
bool ParseLineSettings(const QString& text, LineSettings* out, SettingsTextError* error = nullptr);

// The canonical text of `line`, e.g. "9600,N,8,1" (parity letter upper case).
QString LineSettingsText(const LineSettings& line);

}  // namespace serial
