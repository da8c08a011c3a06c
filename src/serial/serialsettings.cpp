#include "serialsettings.h"

#include <QStringList>

namespace serial {

namespace {

constexpr qint32 kMaxBaudRate = 4000000;

bool fail(SettingsTextError* error, std::optional<LineField> field, const QString& text) {
    if (error) *error = {field, text};
    return false;
}

}  // namespace

bool parseLineSettings(const QString& text, LineSettings* out, SettingsTextError* error) {
    const QStringList fields = text.split(QLatin1Char(','));
    if (fields.size() != 4) return fail(error, std::nullopt, text);
    const QString baudText = fields[0].trimmed();
    const QString parityText = fields[1].trimmed().toUpper();
    const QString dataText = fields[2].trimmed();
    const QString stopText = fields[3].trimmed();

    LineSettings line;

    // Digits only: toInt() alone would accept a sign, and "+9600" is no baud rate.
    bool baudOk = !baudText.isEmpty() && baudText.size() <= 7;
    for (QChar c : baudText) baudOk = baudOk && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    const int baud = baudOk ? baudText.toInt() : 0;
    if (baud <= 0 || baud > kMaxBaudRate) return fail(error, LineField::BaudRate, fields[0]);
    line.baudRate = baud;

    if (parityText == QLatin1String("N")) {
        line.parity = QSerialPort::NoParity;
    } else if (parityText == QLatin1String("E")) {
        line.parity = QSerialPort::EvenParity;
    } else if (parityText == QLatin1String("O")) {
        line.parity = QSerialPort::OddParity;
    } else if (parityText == QLatin1String("M")) {
        line.parity = QSerialPort::MarkParity;
    } else if (parityText == QLatin1String("S")) {
        line.parity = QSerialPort::SpaceParity;
    } else {
        return fail(error, LineField::Parity, fields[1]);
    }

    if (dataText == QLatin1String("5")) {
        line.dataBits = QSerialPort::Data5;
    } else if (dataText == QLatin1String("6")) {
        line.dataBits = QSerialPort::Data6;
    } else if (dataText == QLatin1String("7")) {
        line.dataBits = QSerialPort::Data7;
    } else if (dataText == QLatin1String("8")) {
        line.dataBits = QSerialPort::Data8;
    } else {
        return fail(error, LineField::DataBits, fields[2]);
    }

    if (stopText == QLatin1String("1")) {
        line.stopBits = QSerialPort::OneStop;
    } else if (stopText == QLatin1String("1.5")) {
        line.stopBits = QSerialPort::OneAndHalfStop;
    } else if (stopText == QLatin1String("2")) {
        line.stopBits = QSerialPort::TwoStop;
    } else {
        return fail(error, LineField::StopBits, fields[3]);
    }

    *out = line;
    return true;
}

QString lineSettingsText(const LineSettings& line) {
    char parity = 'N';
    switch (line.parity) {
        case QSerialPort::EvenParity:
            parity = 'E';
            break;
        case QSerialPort::OddParity:
            parity = 'O';
            break;
        case QSerialPort::MarkParity:
            parity = 'M';
            break;
        case QSerialPort::SpaceParity:
            parity = 'S';
            break;
        default:
            parity = 'N';
            break;
    }
    const QString stop = line.stopBits == QSerialPort::OneAndHalfStop ? QStringLiteral("1.5")
                         : line.stopBits == QSerialPort::TwoStop      ? QStringLiteral("2")
                                                                      : QStringLiteral("1");
    return QStringLiteral("%1,%2,%3,%4")
        .arg(line.baudRate)
        .arg(QLatin1Char(parity))
        .arg(int(line.dataBits))
        .arg(stop);
}

}  // namespace serial
