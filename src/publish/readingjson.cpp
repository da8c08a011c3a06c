#include "readingjson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "measure/datalog.h"
#include "mqttsettings.h"

namespace publish {

namespace {

// A JSON string: quotes, backslashes and control characters escaped.
QByteArray JsonString(const QString& text) {
    QByteArray out = "\"";
    for (const char c : text.toUtf8()) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", unsigned(c));
            out += buf;
        } else {
            out += c;
        }
    }
    return out + '"';
}

}  // namespace

MeterTopics TopicsFor(const QString& prefix, const QString& meterId) {
    const QString base = prefix + QLatin1Char('/') + meterId + QLatin1Char('/');
    return {base + QStringLiteral("reading"), base + QStringLiteral("availability"),
            QStringLiteral("homeassistant/sensor/leakmeter_%1/current/config").arg(meterId)};
}

QByteArray ReadingJson(const measure::MeterRecord& record, const QDateTime& time) {
    // Written by hand rather than through QJsonDocument, which would turn the value into a
    // double and back: the log's exact digits go out as they are.
    const measure::RecordColumns c = measure::RecordColumnsOf(record);
    QByteArray json;
    json.reserve(112);
    json += "{\"time\":\"" + measure::IsoTimeWithOffset(time) + "\",\"reading\":";
    json += JsonString(c.reading);
    json += ",\"value_mA\":";
    json += c.valueMa.isEmpty() ? QByteArrayLiteral("null") : c.valueMa;
    json += ",\"status\":" + QByteArray::number(c.status);
    json += ",\"record\":\"" + c.record + "\"}";
    return json;
}

QByteArray DiscoveryJson(const MqttSettings& s) {
    const MeterTopics topics = TopicsFor(s.topicPrefix, s.meterId);
    const QString uid = QStringLiteral("leakmeter_") + s.meterId;
    const QJsonObject device{
        {QStringLiteral("identifiers"), QJsonArray{uid}},
        {QStringLiteral("name"), QStringLiteral("Leakage meter ") + s.meterId},
        {QStringLiteral("model"), QStringLiteral("clamp leakage-current meter")},
        {QStringLiteral("sw_version"), s.softwareVersion},
    };
    const QJsonObject config{
        {QStringLiteral("name"), QStringLiteral("Leakage current")},
        {QStringLiteral("unique_id"), uid + QStringLiteral("_current")},
        {QStringLiteral("object_id"), uid + QStringLiteral("_current")},
        {QStringLiteral("device_class"), QStringLiteral("current")},
        {QStringLiteral("unit_of_measurement"), QStringLiteral("mA")},
        {QStringLiteral("state_class"), QStringLiteral("measurement")},
        {QStringLiteral("state_topic"), topics.reading},
        {QStringLiteral("value_template"), QStringLiteral("{{ value_json.value_mA }}")},
        {QStringLiteral("availability_topic"), topics.availability},
        {QStringLiteral("payload_available"), QString::fromLatin1(kOnline)},
        {QStringLiteral("payload_not_available"), QString::fromLatin1(kOffline)},
        {QStringLiteral("device"), device},
    };
    return QJsonDocument(config).toJson(QJsonDocument::Compact);
}

}  // namespace publish
