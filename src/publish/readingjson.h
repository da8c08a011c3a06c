#pragma once
// What goes to the broker: the topics of one meter and the payloads published on them.
//
//   PREFIX/ID/reading       one JSON object per live reading (QoS 1, not retained):
//       {"time":"2026-12-08T17:31:02.517+08:00","reading":"-42mA","value_mA":-42,
//        "status":23,"record":"002A17"}
//     the data log's columns, made by the same functions, so a row and its message never
//     disagree; value_mA is null where the log leaves it empty (0L, ERROR).
//   PREFIX/ID/availability  "online" / "offline", retained; also the connection's last will
//   homeassistant/sensor/leakmeter_ID/current/config
//                           Home Assistant's discovery config for the meter, retained

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include "measure/meterrecord.h"

namespace publish {

struct MqttSettings;

struct MeterTopics {
    QString reading, availability, discovery;
};
MeterTopics TopicsFor(const QString& prefix, const QString& meterId);

inline const QByteArray kOnline = QByteArrayLiteral("online");
inline const QByteArray kOffline = QByteArrayLiteral("offline");

// The message for one live reading taken at `time` (local time with its offset).
QByteArray ReadingJson(const measure::MeterRecord& record, const QDateTime& time);

// Home Assistant's discovery config: a current sensor in mA, its value from value_mA, its
// availability from the availability topic, and a device block naming the meter.
QByteArray DiscoveryJson(const MqttSettings& settings);

}  // namespace publish
