#include "mqttsettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace publish {

namespace {

constexpr int kMaxMeterIdLength = 64;

bool IdCharacter(QChar c) {
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
           (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-') ||
           c == QLatin1Char('_');
}

QString IdFrom(const QString& text) {
    QString id = text;
    for (QChar& c : id)
        if (!IdCharacter(c)) c = QLatin1Char('_');
    return id.left(kMaxMeterIdLength);
}

// The name under `byIdFolder` of a link that leads to `device`, or empty.
QString ByIdName(const QString& device, const QString& byIdFolder) {
    const QString target = QFileInfo(device).canonicalFilePath();
    if (target.isEmpty()) return {};
    const QDir dir(byIdFolder);
    for (const QString& name : dir.entryList(QDir::System | QDir::Files, QDir::Name))
        if (QFileInfo(dir.filePath(name)).canonicalFilePath() == target) return name;
    return {};
}

}  // namespace

QString BrokerAddress::url() const {
    return QStringLiteral("%1://%2%3:%4")
        .arg(tls ? QStringLiteral("mqtts") : QStringLiteral("mqtt"),
             user.isEmpty() ? QString() : user + QLatin1Char('@'), host)
        .arg(port);
}

std::optional<BrokerAddress> ParseBrokerUrl(const QString& url, QString* why) {
    static const QRegularExpression form(
        QStringLiteral("^(mqtts?)://(?:([^@/:\\s]+)@)?(\\[[0-9A-Fa-f:.]+\\]|[^@/:\\[\\]\\s]+)"
                       "(?::([0-9]{1,5}))?/?$"));
    const QRegularExpressionMatch m = form.match(url);
    if (!m.hasMatch()) {
        *why = QStringLiteral("expected mqtt://[user@]host[:port] or mqtts://[user@]host[:port]");
        return std::nullopt;
    }
    BrokerAddress b;
    b.tls = m.captured(1) == QLatin1String("mqtts");
    b.user = m.captured(2);
    b.host = m.captured(3);
    if (b.host.startsWith(QLatin1Char('['))) b.host = b.host.mid(1, b.host.size() - 2);
    b.port = b.tls ? 8883 : 1883;
    if (m.hasCaptured(4) && !m.captured(4).isEmpty()) {
        b.port = m.captured(4).toInt();
        if (b.port < 1 || b.port > 65535) {
            *why = QStringLiteral("the port must be 1 to 65535");
            return std::nullopt;
        }
    }
    return b;
}

bool ValidMeterId(const QString& id) {
    return !id.isEmpty() && id.size() <= kMaxMeterIdLength &&
           std::all_of(id.begin(), id.end(), IdCharacter);
}

bool ValidTopicPrefix(const QString& prefix) {
    if (prefix.isEmpty() || prefix.contains(QLatin1Char('+')) || prefix.contains(QLatin1Char('#')))
        return false;
    const QStringList levels = prefix.split(QLatin1Char('/'));
    return std::none_of(levels.begin(), levels.end(), [](const QString& l) { return l.isEmpty(); });
}

QString DefaultMeterId(const QString& hostName, const QString& device, const QString& byIdFolder) {
    QString name = ByIdName(device, byIdFolder);
    if (name.isEmpty()) {
        name = QDir::cleanPath(device);
        name.remove(0, name.startsWith(QLatin1String("/dev/")) ? 5 : name.startsWith(u'/') ? 1 : 0);
    }
    const QString host = hostName.section(QLatin1Char('.'), 0, 0);
    return IdFrom(host.isEmpty() ? name : host + QLatin1Char('-') + name);
}

std::optional<MqttSettings> ResolveMqttSettings(const MqttOptions& given,
                                                const QMap<QString, QString>& stored,
                                                const QString& envPassword, const QString& hostName,
                                                const QString& device, QString* error) {
    auto pick = [&](const QString& value, const char* key) {
        return value.isEmpty() ? stored.value(QLatin1String(key)) : value;
    };
    const QString url = pick(given.url, "url");
    if (url.isEmpty()) return std::nullopt;
    auto failed = [&](const QString& why) {
        *error = why;
        return std::nullopt;
    };
    MqttSettings s;
    QString why;
    const std::optional<BrokerAddress> broker = ParseBrokerUrl(url, &why);
    if (!broker) return failed(QStringLiteral("MQTT broker %1: %2").arg(url, why));
    s.broker = *broker;
    s.caFile = pick(given.caFile, "cafile");
    s.topicPrefix = pick(given.topic, "topic");
    if (s.topicPrefix.isEmpty()) s.topicPrefix = QStringLiteral("leakmeter");
    if (!ValidTopicPrefix(s.topicPrefix))
        return failed(
            QStringLiteral("MQTT topic prefix %1: no empty level, no + or #").arg(s.topicPrefix));
    s.meterId = pick(given.meterId, "meter_id");
    if (s.meterId.isEmpty()) s.meterId = DefaultMeterId(hostName, device);
    if (!ValidMeterId(s.meterId))
        return failed(QStringLiteral("meter id %1: letters, digits, - and _ only").arg(s.meterId));
    s.discovery =
        !given.noDiscovery &&
        stored.value(QStringLiteral("discovery"), QStringLiteral("true")) != QLatin1String("false");
    const QString passwordFile = pick(given.passwordFile, "password_file");
    if (!passwordFile.isEmpty()) {
        QFile f(passwordFile);
        if (!f.open(QIODevice::ReadOnly))
            return failed(QStringLiteral("cannot read the MQTT password file %1: %2")
                              .arg(passwordFile, f.errorString()));
        // The first line; a file written by an editor ends it with a line break.
        s.password =
            QString::fromUtf8(f.readLine()).remove(QLatin1Char('\n')).remove(QLatin1Char('\r'));
    } else {
        s.password = envPassword;
    }
    return s;
}

}  // namespace publish
