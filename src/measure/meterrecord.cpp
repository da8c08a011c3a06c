#include "meterrecord.h"

#include <optional>

#include "formatvalue.h"

#include <array>

namespace measure {
namespace {

// How raw is turned into a value: divided by a power of ten, taken as is, or multiplied.
enum class Scale : quint8 { Div1000, Div100, Div10, One, Mul10, Mul100, Mul1000 };
enum class Sign : quint8 { None, Minus, MinusUnlessZero };

struct CodeRule {
    RecordKind kind = RecordKind::Error;
    Scale shown = Scale::One;
    Scale recorded = Scale::One;
    bool amperes = false;
    Sign sign = Sign::None;
};

constexpr CodeRule Reading(Scale shown, bool amperes, Scale recorded, Sign sign = Sign::None) {
    return {RecordKind::Reading, shown, recorded, amperes, sign};
}

constexpr std::array<CodeRule, 256> makeRules() {
    std::array<CodeRule, 256> t{};  // every code not set below is an error
    constexpr bool mA = false, A = true;
    using enum Scale;
    t[1] = t[2] = Reading(Div100, mA, Div100);
    t[3] = t[4] = Reading(Div10, mA, Div10);
    t[5] = t[6] = Reading(Div100, A, Mul10);
    t[7] = t[8] = Reading(Div10, A, Mul100);
    t[9] = CodeRule{RecordKind::Overload, One, One, false, Sign::None};
    t[10] = Reading(Div1000, mA, Div1000);
    t[11] = Reading(Div1000, A, One);
    t[12] = Reading(One, A, Mul1000);
    t[13] = t[14] = t[15] = Reading(Div10, A, Mul100);
    t[16] = Reading(One, A, Mul1000);
    t[17] = Reading(Div10, A, Mul100, Sign::MinusUnlessZero);
    t[18] = t[19] = Reading(Div10, A, Mul100, Sign::Minus);
    t[20] = Reading(One, A, Mul1000, Sign::Minus);
    t[21] = Reading(One, mA, One);
    t[22] = Reading(Div100, A, Mul10);
    t[23] = Reading(One, mA, One, Sign::Minus);
    t[24] = Reading(Div100, A, Mul10, Sign::Minus);
    t[25] = Reading(Div10, mA, Div10);
    t[26] = Reading(Div10, mA, Div10, Sign::Minus);
    return t;
}

constexpr std::array<CodeRule, 256> kRules = makeRules();

float apply(Scale s, float raw) {
    switch (s) {
        case Scale::Div1000:
            return raw / 1000.0f;
        case Scale::Div100:
            return raw / 100.0f;
        case Scale::Div10:
            return raw / 10.0f;
        case Scale::One:
            return raw;
        case Scale::Mul10:
            return raw * 10.0f;
        case Scale::Mul100:
            return raw * 100.0f;
        case Scale::Mul1000:
            return raw * 1000.0f;
    }
    return raw;
}

}  // namespace

int wholeRecordCount(const QByteArray& reply) {
    return int(reply.size() / kRecordBytes);
}

std::optional<MeterRecord> recordAt(const QByteArray& reply, int index) {
    if (index < 0 || index >= wholeRecordCount(reply)) return std::nullopt;
    const qsizetype at = qsizetype(index) * kRecordBytes;
    return MeterRecord{quint8(reply[at]), quint8(reply[at + 1]), quint8(reply[at + 2])};
}

QList<MeterRecord> recordsOf(const QByteArray& reply, int count) {
    QList<MeterRecord> records;
    const int n = qMin(count, wholeRecordCount(reply));
    records.reserve(qMax(n, 0));
    for (int i = 0; i < n; ++i) records.append(*recordAt(reply, i));
    return records;
}

DecodedRecord decodeRecord(const MeterRecord& r) {
    DecodedRecord d;
    d.status = r.status;
    const qint16 count = qint16((r.high % 100) * 100 + (r.low % 100));
    d.raw = float(count);

    const CodeRule& rule = kRules[r.status];
    d.kind = rule.kind;
    if (rule.kind != RecordKind::Reading) return d;  // overload records 0 mA, error nothing

    d.shown = apply(rule.shown, d.raw);
    d.recordedMa = apply(rule.recorded, d.raw);
    d.negative = rule.sign == Sign::Minus || (rule.sign == Sign::MinusUnlessZero && count != 0);
    d.dc = r.status >= 13 && r.status <= 26;
    d.unit = rule.amperes ? QStringLiteral("A") : QStringLiteral("mA");
    return d;
}

namespace {

// The fixed texts of records that carry no number: overload and invalid status codes.
std::optional<QString> fixedText(const DecodedRecord& d) {
    switch (d.kind) {
        case RecordKind::Overload:
            return QStringLiteral("0L");
        case RecordKind::Error:
            return QStringLiteral("ERROR");
        case RecordKind::Reading:
            break;
    }
    return std::nullopt;
}

}  // namespace

QString liveText(const DecodedRecord& d) {
    if (auto fixed = fixedText(d)) return *fixed;
    return (d.negative ? QStringLiteral("-") : QString()) + FormatValue(d.shown) + d.unit;
}

QString reportReadingText(const DecodedRecord& d) {
    if (auto fixed = fixedText(d)) return *fixed;
    QString text = d.dc ? QStringLiteral("DC ") : QStringLiteral("AC ");
    if (d.negative) text += u'-';
    text += FormatValue(d.shown);
    if (d.status != 10 && d.status != 11) text += u' ';
    text += d.unit;
    return text;
}

}  // namespace measure
