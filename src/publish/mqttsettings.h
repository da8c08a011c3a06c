#pragma once
// Where readings are published and under which name: the broker's URL, the meter's id, the
// topic prefix, TLS and the password. Given on the command line, in the settings file the
// port mapping is kept in (section [mqtt], password excepted), and for the password in a file
// or the environment; this file turns them into one checked set.

#include <QMap>
#include <QString>
#include <optional>

namespace publish {

// The broker as the URL names it: mqtt://[user@]host[:port] or mqtts://[user@]host[:port].
struct BrokerAddress {
    bool tls = false;
    QString user;  // empty: no user name sent
    QString host;
    int port = 1883;      // 8883 for mqtts
    QString url() const;  // as given back in messages: "mqtts://user@host:8883"
};

// Parses `url`; nullopt with the reason in *why when it is not one of the two forms.
std::optional<BrokerAddress> ParseBrokerUrl(const QString& url, QString* why);

// A meter id: 1 to 64 letters, digits, '-' and '_'.
bool ValidMeterId(const QString& id);
// A topic prefix: one or more levels without the wildcards + and #, no empty level.
bool ValidTopicPrefix(const QString& prefix);

// The default meter id "<host>-<device>": the device's name under /dev/serial/by-id when a
// link there leads to it (stable across reboots and adapters), else its path under /dev.
// Characters an id does not take become '_'. `byIdFolder` is where the links are looked for.
QString DefaultMeterId(const QString& hostName, const QString& device,
                       const QString& byIdFolder = QStringLiteral("/dev/serial/by-id"));

// The MQTT options as the command line gave them; empty: not given.
struct MqttOptions {
    QString url, caFile, passwordFile, meterId, topic;
    bool noDiscovery = false;
};

// Everything the publisher needs.
struct MqttSettings {
    BrokerAddress broker;
    QString password;  // empty: none sent
    QString caFile;    // empty with TLS: the system's certificate authorities
    QString meterId;
    QString topicPrefix = QStringLiteral("leakmeter");
    bool discovery = true;
    QString softwareVersion;  // "leakmeter 1.1", in the discovery's device block
};

// The settings for this run: the command line first, then the settings file's [mqtt] section
// (`stored`: url, cafile, password_file, meter_id, topic, discovery), the password from the
// password file, else `envPassword` (LEAKMETER_MQTT_PASSWORD). nullopt when no broker is named
// (nothing is published), or with the reason in *error when a value is wrong or the password
// file cannot be read. `device` is the port's device, for the default meter id.
std::optional<MqttSettings> ResolveMqttSettings(const MqttOptions& given,
                                                const QMap<QString, QString>& stored,
                                                const QString& envPassword, const QString& hostName,
                                                const QString& device, QString* error);

}  // namespace publish
