#pragma once
// Where readings are published and under which name: the broker's URL, the meter's id, the
// topic prefix, TLS and the password. Given on the command line, in the settings file the
// port mapping is kept in (section [mqtt], password excepted), and for the password in a file
// or the environment; this file turns them into one checked set.

#include <QMap>
#include <QString>
#include <optional>

namespace publish {

// The broker as the URL names it: mqtt://[user@]host[:port] or mqtts://[user@]host[:port]; an
// IPv6 address in brackets, mqtt://[::1]:1883.
struct BrokerAddress {
    bool tls = false;
    QString user;     // empty: no user name sent
    QString host;     // an IPv6 address without its brackets
    int port = 1883;  // 8883 for mqtts
    QString url()
        const;  // as given back in messages: "mqtts://user@host:8883", "mqtt://[::1]:1883"
};

// Parses `url`; nullopt with the reason in *why when it is not one of the two forms.
std::optional<BrokerAddress> parseBrokerUrl(const QString& url, QString* why);

// A meter id: 1 to 64 letters, digits, '-' and '_'.
bool validMeterId(const QString& id);

// The longest topic MQTT carries, in bytes of UTF-8.
constexpr qsizetype kMaxTopicBytes = 65535;
// Why `topic` cannot be published, as MQTT rules it, or empty: not well-formed UTF-8, a control
// character (U+0000 to U+001F, U+007F to U+009F), a non-character (U+FDD0 to U+FDEF, U+FFFE,
// U+FFFF and their likes in every plane), a wildcard (+ #), an empty level, a leading $ (the
// broker's own topics) or over kMaxTopicBytes. Text read from the command line or a file holds
// U+FFFD where its bytes were not UTF-8; that counts as not well-formed.
QString topicProblem(const QString& topic);
// `text` fit for a message: each character topicProblem refuses as <U+XXXX>, cut after 40.
QString printable(const QString& text);

// The default meter id "<host>-<device>": the device's name under /dev/serial/by-id when a
// link there leads to it (stable across reboots and adapters), else its path under /dev.
// Characters an id does not take become '_'. `byIdFolder` is where the links are looked for.
QString defaultMeterId(const QString& hostName, const QString& device,
                       const QString& byIdFolder = QStringLiteral("/dev/serial/by-id"));

// The MQTT options as the command line gave them; empty: not given.
struct MqttOptions {
    QString url, caFile, passwordFile, meterId, topic;
    bool noDiscovery = false;
    bool intervalOnly = false;  // --mqtt-interval-only
};

// Everything the publisher needs.
struct MqttSettings {
    BrokerAddress broker;
    QString password;  // empty: none sent
    QString caFile;    // empty with TLS: the system's certificate authorities
    QString meterId;
    QString topicPrefix = QStringLiteral("leakmeter");
    bool discovery = true;
    // Only the interval rows, the alarm and the availability are published, no message per
    // reading: for a recorder that keeps months.
    bool intervalOnly = false;
    // What the run watches, set from its watch options: the sensors Home Assistant is told of.
    bool alarmSensor = false;      // a threshold is set: the alarm's binary sensor
    bool intervalSensors = false;  // interval rows are made: their max and mean
    QString softwareVersion;       // "leakmeter 1.1", in the discovery's device block
    // How long the broker may be silent before it is asked whether it is still there; as long
    // again without an answer and the connection is given up.
    int keepAliveSec = 30;
};

// The password file holds the password on its first line; a longer file is not one.
constexpr qint64 kMaxPasswordFileBytes = 4096;

// Why the settings of a run could not be made.
enum class SettingsFault {
    None,
    WrongValue,          // a value the user gave is wrong: a usage error
    UnreadablePassword,  // the password file is not a regular file of at most 4 KiB, or unreadable
};

// The settings for this run: the command line first, then the settings file's [mqtt] section
// (`stored`: url, cafile, password_file, meter_id, topic, discovery), the password from the
// password file, else `envPassword` (LEAKMETER_MQTT_PASSWORD). nullopt when no broker is named
// (nothing is published), or with the reason in *error and its kind in *fault when a value is
// wrong (every topic the meter publishes on is checked whole) or the password file cannot be
// read. `device` is the port's device, for the default meter id.
std::optional<MqttSettings> resolveMqttSettings(const MqttOptions& given,
                                                const QMap<QString, QString>& stored,
                                                const QString& envPassword, const QString& hostName,
                                                const QString& device, QString* error,
                                                SettingsFault* fault = nullptr);

}  // namespace publish
