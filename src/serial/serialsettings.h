#pragma once
// The line settings as one typed value, and the settings text ("9600,N,8,1") in which the
// settings dialog and the command line show and take them.

#include <QSerialPort>
#include <QString>
#include <optional>

namespace serial {

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
bool parseLineSettings(const QString& text, LineSettings* out, SettingsTextError* error = nullptr);

// The canonical text of `line`, e.g. "9600,N,8,1" (parity letter upper case).
QString lineSettingsText(const LineSettings& line);

}  // namespace serial
