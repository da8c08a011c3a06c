#include "readingjson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <iterator>

#include "measure/datalog.h"
#include "mqttsettings.h"

namespace publish {

namespace {

// A JSON string: quotes, backslashes and control characters escaped.
QByteArray jsonString(const QString& text) {
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

MeterTopics topicsFor(const QString& prefix, const QString& meterId) {
    const QString base = prefix + QLatin1Char('/') + meterId + QLatin1Char('/');
    return {base + QStringLiteral("reading"),
            base + QStringLiteral("availability"),
            QStringLiteral("homeassistant/sensor/leakmeter_%1/current/config").arg(meterId),
            base + QStringLiteral("interval"),
            base + QStringLiteral("alarm"),
            QStringLiteral("homeassistant/binary_sensor/leakmeter_%1/alarm/config").arg(meterId)};
}

QByteArray readingJson(const measure::Reading& reading) {
    // Written by hand rather than through QJsonDocument, which would turn the value into a
    // double and back: the log's exact digits go out as they are.
    const measure::RecordColumns& c = reading.columns;
    QByteArray json;
    json.reserve(112);
    json += "{\"time\":\"" + measure::isoTimeWithOffset(reading.time) + "\",\"reading\":";
    json += jsonString(c.reading);
    json += ",\"value_mA\":";
    json += c.valueMa.isEmpty() ? QByteArrayLiteral("null") : c.valueMa;
    json += ",\"status\":" + QByteArray::number(c.status);
    json += ",\"record\":\"" + c.record + "\"}";
    return json;
}

QByteArray intervalJson(const measure::IntervalRow& row) {
    // The interval log's own fields: the message and the row never disagree.
    const measure::IntervalColumns c = measure::intervalColumnsOf(row);
    const auto number = [](const QByteArray& field) {
        return field.isEmpty() ? QByteArrayLiteral("null") : field;
    };
    return "{\"start\":\"" + c.start + "\",\"end\":\"" + c.end + "\",\"count\":" + c.count +
           ",\"min_mA\":" + number(c.minMa) + ",\"max_mA\":" + number(c.maxMa) +
           ",\"mean_mA\":" + number(c.meanMa) + ",\"overloads\":" + c.overloads +
           ",\"errors\":" + c.errors + '}';
}

namespace {

// What both discovery configs share: the unique id's stem, the availability and the device.
QJsonObject discoveryBase(const MqttSettings& s, const QString& what, const QString& name) {
    const MeterTopics topics = topicsFor(s.topicPrefix, s.meterId);
    const QString uid = QStringLiteral("leakmeter_") + s.meterId;
    const QJsonObject device{
        {QStringLiteral("identifiers"), QJsonArray{uid}},
        {QStringLiteral("name"), QStringLiteral("Leakage meter ") + s.meterId},
        {QStringLiteral("model"), QStringLiteral("clamp leakage-current meter")},
        {QStringLiteral("sw_version"), s.softwareVersion},
    };
    return {
        {QStringLiteral("name"), name},
        {QStringLiteral("unique_id"), uid + QLatin1Char('_') + what},
        {QStringLiteral("object_id"), uid + QLatin1Char('_') + what},
        {QStringLiteral("availability_topic"), topics.availability},
        {QStringLiteral("payload_available"), QString::fromLatin1(kOnline)},
        {QStringLiteral("payload_not_available"), QString::fromLatin1(kOffline)},
        {QStringLiteral("device"), device},
    };
}

}  // namespace

QByteArray discoveryJson(const MqttSettings& s) {
    QJsonObject config =
        discoveryBase(s, QStringLiteral("current"), QStringLiteral("Leakage current"));
    config.insert(QStringLiteral("device_class"), QStringLiteral("current"));
    config.insert(QStringLiteral("unit_of_measurement"), QStringLiteral("mA"));
    config.insert(QStringLiteral("state_class"), QStringLiteral("measurement"));
    config.insert(QStringLiteral("state_topic"), topicsFor(s.topicPrefix, s.meterId).reading);
    config.insert(QStringLiteral("value_template"), QStringLiteral("{{ value_json.value_mA }}"));
    return QJsonDocument(config).toJson(QJsonDocument::Compact);
}

QByteArray alarmDiscoveryJson(const MqttSettings& s) {
    QJsonObject config = discoveryBase(s, QStringLiteral("alarm"), QStringLiteral("Leakage alarm"));
    config.insert(QStringLiteral("device_class"), QStringLiteral("problem"));
    config.insert(QStringLiteral("state_topic"), topicsFor(s.topicPrefix, s.meterId).alarm);
    config.insert(QStringLiteral("payload_on"), QString::fromLatin1(kAlarmOn));
    config.insert(QStringLiteral("payload_off"), QString::fromLatin1(kAlarmOff));
    return QJsonDocument(config).toJson(QJsonDocument::Compact);
}

}  // namespace publish
