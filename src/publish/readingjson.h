#pragma once
// What goes to the broker: the topics of one meter and the payloads published on them.
//
//   PREFIX/ID/reading       one JSON object per live reading (QoS 1, not retained):
//       {"time":"2026-12-08T17:31:02.517+08:00","reading":"-42mA","value_mA":-42,
//        "status":23,"record":"002A17"}
//     the data log's columns, made by the same functions, so a row and its message never
//     disagree; value_mA is null where the log leaves it empty (0L, ERROR).
//   PREFIX/ID/availability  "online" / "offline", retained; also the connection's last will
//   PREFIX/ID/interval      one JSON object per interval row (with --interval; QoS 1, not
//                           retained), the interval log's columns made by the same function:
//       {"start":"2026-12-08T17:31:00.000+08:00","end":"2026-12-08T17:32:00.000+08:00",
//        "count":120,"min_mA":-42,"max_mA":171900,"mean_mA":1433.145,"overloads":1,"errors":0}
//   PREFIX/ID/alarm         "ON" from an alarm's start, "OFF" from its end; retained
//   homeassistant/sensor/leakmeter_ID/current/config
//   homeassistant/binary_sensor/leakmeter_ID/overload/config
//   homeassistant/binary_sensor/leakmeter_ID/alarm/config
//   homeassistant/sensor/leakmeter_ID/interval_max/config
//   homeassistant/sensor/leakmeter_ID/interval_mean/config
//                           Home Assistant's discovery configs for the meter, retained; those
//                           a run has no use for are removed (an empty retained message), so
//                           that no entity stays "unknown" for ever: the alarm without a
//                           threshold, the interval figures without --interval, the current
//                           when only interval rows are published

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include "measure/intervallog.h"
#include "measure/reading.h"

namespace publish {

struct MqttSettings;

struct MeterTopics {
    QString reading, availability, discovery, interval, alarm, alarmDiscovery;
    QString overloadDiscovery, intervalMaxDiscovery, intervalMeanDiscovery;
    // Every topic, for the checks the settings make.
    QStringList all() const;
};
MeterTopics topicsFor(const QString& prefix, const QString& meterId);

inline const QByteArray kOnline = QByteArrayLiteral("online");
inline const QByteArray kOffline = QByteArrayLiteral("offline");
inline const QByteArray kAlarmOn = QByteArrayLiteral("ON");
inline const QByteArray kAlarmOff = QByteArrayLiteral("OFF");

// The message for one live reading: its time (local time with its offset) and columns are the
// ones its data-log row has.
QByteArray readingJson(const measure::Reading& reading);

// Home Assistant's discovery config: a current sensor in mA, its value from value_mA, the
// reading text and the status code as its attributes, its availability from the availability
// topic, and a device block naming the meter.
QByteArray discoveryJson(const MqttSettings& settings);

// The message for one interval row; an empty value is null.
QByteArray intervalJson(const measure::IntervalRow& row);

// Home Assistant's discovery config for the alarm: a binary sensor of class problem, on while
// an alarm runs, of the same device.
QByteArray alarmDiscoveryJson(const MqttSettings& settings);

// One discovery config to publish, retained; an empty payload removes the entity.
struct DiscoveryMessage {
    QString topic;
    QByteArray payload;
};
// Every discovery config of the meter, announced or removed as the run needs it (see above):
// the current, the overload (from the readings, or with only interval rows published from the
// interval's overload count), the alarm with a threshold, the interval's max and mean with
// --interval.
QList<DiscoveryMessage> discoveryMessages(const MqttSettings& settings);

}  // namespace publish
