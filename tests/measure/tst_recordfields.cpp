// Every record the meter can send, decoded: each of the 256 status codes with each of the
// 10,000 digit pairs, and digit bytes of 100 and above. The texts fit the display's field (the
// meter's four digits with sign, point and unit: "-999.9mA" is the widest live text, and a
// report line adds "AC " or "DC " and a blank), read back as the value decoded, and a byte of
// 100 or more decodes as its remainder by 100.
#include <QtTest>
#include <cmath>

#include "measure/meterrecord.h"

using namespace measure;

namespace {

constexpr qsizetype kLiveField = 8;     // "-999.9mA"
constexpr qsizetype kReportField = 12;  // "DC -999.9 mA"

// Why `number` is no number of the meter's display (at most four digits, one point, no
// exponent), or empty.
QString numberFault(QStringView number) {
    int digits = 0, points = 0;
    for (qsizetype i = 0; i < number.size(); ++i) {
        const QChar c = number[i];
        if (c == u'.')
            ++points;
        else if (c.isDigit())
            digits += !(c == u'0' && digits == 0 && i + 1 < number.size() && number[i + 1] == u'.');
        else
            return QStringLiteral("'%1' in the number").arg(c);
    }
    if (digits == 0 && number != u"0") return QStringLiteral("no digit");
    if (digits > 4) return QStringLiteral("%1 digits").arg(digits);
    if (points > 1 || number.endsWith(u'.')) return QStringLiteral("a stray point");
    return {};
}

// Why the live text of `d` does not fit the field or says another value, or empty.
QString liveFault(const DecodedRecord& d, const QString& live) {
    if (live.size() > kLiveField) return QStringLiteral("wider than the field");
    QStringView number(live);
    if (!number.endsWith(d.unit)) return QStringLiteral("not in its unit");
    number.chop(d.unit.size());
    if (number.startsWith(u'-') != d.negative) return QStringLiteral("the sign");
    if (d.negative) number = number.mid(1);
    if (const QString fault = numberFault(number); !fault.isEmpty()) return fault;
    if (number.toFloat() != d.shown) return QStringLiteral("reads back as another value");
    return {};
}

}  // namespace

class TestRecordFields : public QObject {
    Q_OBJECT
  private slots:
    void everyRecordFitsTheDisplay();
    void digitBytesTakeTheirRemainder();
};

void TestRecordFields::everyRecordFitsTheDisplay() {
    int readings = 0;
    for (int status = 0; status < 256; ++status) {
        for (int high = 0; high < 100; ++high) {
            for (int low = 0; low < 100; ++low) {
                const MeterRecord r{quint8(high), quint8(low), quint8(status)};
                const DecodedRecord d = decodeRecord(r);
                const QString live = liveText(d), report = reportReadingText(d);
                const auto where = [&] {
                    return QStringLiteral("status %1, bytes %2 %3: live '%4', report '%5'")
                        .arg(status)
                        .arg(high)
                        .arg(low)
                        .arg(live, report);
                };
                if (d.kind != RecordKind::Reading) {
                    const QString fixed = d.kind == RecordKind::Overload ? QStringLiteral("0L")
                                                                         : QStringLiteral("ERROR");
                    if (live != fixed || report != fixed) QFAIL(qPrintable(where()));
                    continue;
                }
                ++readings;
                if (const QString fault = liveFault(d, live); !fault.isEmpty())
                    QFAIL(qPrintable(where() + QStringLiteral(": ") + fault));
                // The report's text is the live text after "AC " or "DC ", with a blank before
                // the unit but for codes 10 and 11.
                QString expected = (d.dc ? QStringLiteral("DC ") : QStringLiteral("AC ")) + live;
                if (status != 10 && status != 11)
                    expected.insert(expected.size() - d.unit.size(), u' ');
                if (report != expected || report.size() > kReportField)
                    QFAIL(qPrintable(where() + QStringLiteral(": the report's field")));
                if (!std::isfinite(d.recordedMa) || d.recordedMa < 0 || d.recordedMa > 1e7f)
                    QFAIL(qPrintable(where() + QStringLiteral(": recorded mA")));
            }
        }
    }
    QCOMPARE(readings, 25 * 10000);  // codes 1..8 and 10..26
}

void TestRecordFields::digitBytesTakeTheirRemainder() {
    for (int status = 0; status < 256; ++status) {
        for (int high = 0; high < 256; ++high) {
            for (int low = high < 100 ? 100 : 0; low < 256; ++low) {
                const DecodedRecord d = decodeRecord({quint8(high), quint8(low), quint8(status)});
                const DecodedRecord e =
                    decodeRecord({quint8(high % 100), quint8(low % 100), quint8(status)});
                if (d.kind != e.kind || d.raw != e.raw || d.shown != e.shown ||
                    d.recordedMa != e.recordedMa || d.negative != e.negative || d.dc != e.dc ||
                    d.unit != e.unit)
                    QFAIL(qPrintable(
                        QStringLiteral("status %1, bytes %2 %3").arg(status).arg(high).arg(low)));
            }
        }
    }
}

QTEST_GUILESS_MAIN(TestRecordFields)
#include "tst_recordfields.moc"
