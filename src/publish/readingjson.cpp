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
    const auto config = [&meterId](const char* domain, const char* what) {
        return QStringLiteral("homeassistant/%1/leakmeter_%2/%3/config")
            .arg(QLatin1String(domain), meterId, QLatin1String(what));
    };
    return {base + QStringLiteral("reading"),    base + QStringLiteral("availability"),
            config("sensor", "current"),         base + QStringLiteral("interval"),
            base + QStringLiteral("alarm"),      config("binary_sensor", "alarm"),
            config("binary_sensor", "overload"), config("sensor", "interval_max"),
            config("sensor", "interval_mean")};
}

QStringList MeterTopics::all() const {
    return {reading,
            availability,
            discovery,
            interval,
            alarm,
            alarmDiscovery,
            overloadDiscovery,
            intervalMaxDiscovery,
            intervalMeanDiscovery};
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

// What every discovery config shares: the unique id, the entity id (`domain`.leakmeter_ID_WHAT,
// the one earlier versions set through the object id, so that dashboards keep their
// entities), the availability and the device.
QJsonObject discoveryBase(const MqttSettings& s, const char* domain, const QString& what,
                          const QString& name) {
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
        {QStringLiteral("default_entity_id"),
         QLatin1String(domain) + QLatin1Char('.') + uid + QLatin1Char('_') + what},
        {QStringLiteral("availability_topic"), topics.availability},
        {QStringLiteral("payload_available"), QString::fromLatin1(kOnline)},
        {QStringLiteral("payload_not_available"), QString::fromLatin1(kOffline)},
        {QStringLiteral("device"), device},
    };
}

// A sensor of current in mA from the field `field` of the messages on `topic`; kept in Home
// Assistant's long-term statistics (state class measurement).
QJsonObject currentSensor(const MqttSettings& s, const QString& what, const QString& name,
                          const QString& topic, const char* field) {
    QJsonObject config = discoveryBase(s, "sensor", what, name);
    config.insert(QStringLiteral("device_class"), QStringLiteral("current"));
    config.insert(QStringLiteral("unit_of_measurement"), QStringLiteral("mA"));
    config.insert(QStringLiteral("state_class"), QStringLiteral("measurement"));
    config.insert(QStringLiteral("state_topic"), topic);
    // A null (0L, ERROR, an interval without a value) renders as "None": unknown, not 0.
    config.insert(QStringLiteral("value_template"),
                  QStringLiteral("{{ value_json.%1 }}").arg(QLatin1String(field)));
    return config;
}

// Attributes of an entity: the listed fields of the JSON messages on `topic`. Only those: the
// recorder stores a new set of attributes each time one changes, and the time does every time.
void addAttributes(QJsonObject* config, const QString& topic, const QStringList& fields) {
    QStringList pairs;
    for (const QString& f : fields) pairs << QStringLiteral("'%1': value_json.%1").arg(f);
    config->insert(QStringLiteral("json_attributes_topic"), topic);
    config->insert(QStringLiteral("json_attributes_template"),
                   QStringLiteral("{{ {%1} | tojson }}").arg(pairs.join(QStringLiteral(", "))));
}

QByteArray compact(const QJsonObject& config) {
    return QJsonDocument(config).toJson(QJsonDocument::Compact);
}

}  // namespace

QByteArray discoveryJson(const MqttSettings& s) {
    const MeterTopics topics = topicsFor(s.topicPrefix, s.meterId);
    QJsonObject config =
        currentSensor(s, QStringLiteral("current"), QStringLiteral("Leakage current"),
                      topics.reading, "value_mA");
    // The reading as the meter shows it ("0L", "ERROR") and its status code: what an unknown
    // value was.
    addAttributes(&config, topics.reading, {QStringLiteral("reading"), QStringLiteral("status")});
    return compact(config);
}

namespace {

// On while the meter reads 0L (over its range, the worst case, which the current sensor can
// only show as unknown); with only interval rows published, while the last interval held one.
QByteArray overloadDiscoveryJson(const MqttSettings& s) {
    const MeterTopics topics = topicsFor(s.topicPrefix, s.meterId);
    QJsonObject config = discoveryBase(s, "binary_sensor", QStringLiteral("overload"),
                                       QStringLiteral("Leakage overload"));
    config.insert(QStringLiteral("device_class"), QStringLiteral("problem"));
    config.insert(QStringLiteral("state_topic"), s.intervalOnly ? topics.interval : topics.reading);
    config.insert(QStringLiteral("value_template"),
                  s.intervalOnly
                      ? QStringLiteral("{{ 'ON' if value_json.overloads > 0 else 'OFF' }}")
                      : QStringLiteral("{{ 'ON' if value_json.reading == '0L' else 'OFF' }}"));
    return compact(config);
}

QByteArray intervalMaxDiscoveryJson(const MqttSettings& s) {
    return compact(currentSensor(s, QStringLiteral("interval_max"),
                                 QStringLiteral("Leakage current, interval maximum"),
                                 topicsFor(s.topicPrefix, s.meterId).interval, "max_mA"));
}

QByteArray intervalMeanDiscoveryJson(const MqttSettings& s) {
    const MeterTopics topics = topicsFor(s.topicPrefix, s.meterId);
    QJsonObject config =
        currentSensor(s, QStringLiteral("interval_mean"),
                      QStringLiteral("Leakage current, interval mean"), topics.interval, "mean_mA");
    addAttributes(&config, topics.interval,
                  {QStringLiteral("min_mA"), QStringLiteral("count"), QStringLiteral("overloads"),
                   QStringLiteral("errors")});
    return compact(config);
}

}  // namespace

QList<DiscoveryMessage> discoveryMessages(const MqttSettings& s) {
    const MeterTopics t = topicsFor(s.topicPrefix, s.meterId);
    const auto announced = [](bool used, const QByteArray& payload) {
        return used ? payload : QByteArray();
    };
    return {
        {t.discovery, announced(!s.intervalOnly, discoveryJson(s))},
        {t.overloadDiscovery, overloadDiscoveryJson(s)},
        {t.alarmDiscovery, announced(s.alarmSensor, alarmDiscoveryJson(s))},
        {t.intervalMaxDiscovery, announced(s.intervalSensors, intervalMaxDiscoveryJson(s))},
        {t.intervalMeanDiscovery, announced(s.intervalSensors, intervalMeanDiscoveryJson(s))},
    };
}

QByteArray alarmDiscoveryJson(const MqttSettings& s) {
    QJsonObject config =
        discoveryBase(s, "binary_sensor", QStringLiteral("alarm"), QStringLiteral("Leakage alarm"));
    config.insert(QStringLiteral("device_class"), QStringLiteral("problem"));
    config.insert(QStringLiteral("state_topic"), topicsFor(s.topicPrefix, s.meterId).alarm);
    config.insert(QStringLiteral("payload_on"), QString::fromLatin1(kAlarmOn));
    config.insert(QStringLiteral("payload_off"), QString::fromLatin1(kAlarmOff));
    return compact(config);
}

}  // namespace publish
