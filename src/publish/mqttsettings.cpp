#include "mqttsettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "readingjson.h"

// Windows' C library has neither: no named pipe waits in its open(), and its descriptors do not
// pass to the programs this one starts.
#ifndef O_NONBLOCK
#define O_NONBLOCK 0
#endif
#ifndef O_CLOEXEC
#define O_CLOEXEC 0
#endif

namespace publish {

namespace {

constexpr int kMaxMeterIdLength = 64;

bool idCharacter(QChar c) {
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
           (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-') ||
           c == QLatin1Char('_');
}

QString idFrom(const QString& text) {
    QString id = text;
    for (QChar& c : id)
        if (!idCharacter(c)) c = QLatin1Char('_');
    return id.left(kMaxMeterIdLength);
}

// The name under `byIdFolder` of a link that leads to `device`, or empty.
QString byIdName(const QString& device, const QString& byIdFolder) {
    const QString target = QFileInfo(device).canonicalFilePath();
    if (target.isEmpty()) return {};
    const QDir dir(byIdFolder);
    for (const QString& name : dir.entryList(QDir::System | QDir::Files, QDir::Name))
        if (QFileInfo(dir.filePath(name)).canonicalFilePath() == target) return name;
    return {};
}

constexpr char32_t kNotUtf8 = 0xFFFD;  // also stands for a lone surrogate

// The code points of `text`; a lone surrogate as kNotUtf8.
std::vector<char32_t> codePoints(const QString& text) {
    std::vector<char32_t> out;
    out.reserve(size_t(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            out.push_back(QChar::surrogateToUcs4(c, text[++i]));
        else
            out.push_back(c.isSurrogate() ? kNotUtf8 : c.unicode());
    }
    return out;
}

// What kind of character MQTT refuses in a topic `c` is, or null.
const char* refusedKind(char32_t c) {
    if (c <= 0x1F || (c >= 0x7F && c <= 0x9F)) return "control character";
    if ((c >= 0xFDD0 && c <= 0xFDEF) || (c & 0xFFFE) == 0xFFFE) return "non-character";
    return nullptr;
}

QString codeName(char32_t c) {
    return QStringLiteral("U+") + QString::number(uint(c), 16).toUpper().rightJustified(4, u'0');
}

// The password file's first line, without its line break. Only a regular file of at most
// kMaxPasswordFileBytes is read: a named pipe would wait for a writer for ever, a device such as
// /dev/zero never ends.
bool readPasswordFile(const QString& path, QString* password, QString* why) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        // Windows refuses to open a folder at all, with "Permission denied".
        *why = QFileInfo(path).isDir() ? QStringLiteral("it is a folder, not a file")
                                       : QString::fromLocal8Bit(std::strerror(errno));
        if (fd >= 0) ::close(fd);
        return false;
    }
    if (!S_ISREG(st.st_mode) || st.st_size > kMaxPasswordFileBytes) {
        ::close(fd);
        if (S_ISDIR(st.st_mode))
            *why = QStringLiteral("it is a folder, not a file");
        else if (S_ISFIFO(st.st_mode))
            *why = QStringLiteral("it is a named pipe, not a regular file");
        else if (!S_ISREG(st.st_mode))
            *why = QStringLiteral("it is a device or socket, not a regular file");
        else
            *why = QStringLiteral("it is over %1 bytes, more than a password's line")
                       .arg(kMaxPasswordFileBytes);
        return false;
    }
    QFile f;
    if (!f.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        *why = f.errorString();
        return false;
    }
    const QByteArray bytes = f.read(kMaxPasswordFileBytes + 1);
    if (bytes.size() > kMaxPasswordFileBytes) {  // it grew since
        *why = QStringLiteral("it is over %1 bytes").arg(kMaxPasswordFileBytes);
        return false;
    }
    // The first line; a file written by an editor ends it with a line break.
    *password = QString::fromUtf8(bytes).section(QLatin1Char('\n'), 0, 0).remove(QLatin1Char('\r'));
    return true;
}

}  // namespace

QString BrokerAddress::url() const {
    QUrl u;
    u.setScheme(tls ? QStringLiteral("mqtts") : QStringLiteral("mqtt"));
    u.setUserName(user);
    u.setHost(host);  // an IPv6 address gets its brackets
    u.setPort(port);
    return u.toString();
}

std::optional<BrokerAddress> parseBrokerUrl(const QString& url, QString* why) {
    // Strict: white space, or any other character a URL may not hold, makes it invalid.
    const QUrl u(url, QUrl::StrictMode);
    const bool tls = u.scheme() == QLatin1String("mqtts");
    if (!u.isValid() || !(tls || u.scheme() == QLatin1String("mqtt")) || u.host().isEmpty() ||
        !(u.path().isEmpty() || u.path() == QLatin1String("/")) || u.hasQuery() ||
        u.hasFragment()) {
        *why = QStringLiteral("expected mqtt://[user@]host[:port] or mqtts://[user@]host[:port]");
        return std::nullopt;
    }
    if (!u.password().isEmpty() || u.userInfo().contains(QLatin1Char(':'))) {
        *why = QStringLiteral(
            "the URL takes no password: give it in a file with --mqtt-password-file, or in "
            "LEAKMETER_MQTT_PASSWORD");
        return std::nullopt;
    }
    BrokerAddress b;
    b.tls = tls;
    b.user = u.userName();
    b.host = u.host(QUrl::EncodeUnicode);
    b.port = u.port(tls ? 8883 : 1883);
    if (b.port < 1) {
        *why = QStringLiteral("the port must be 1 to 65535");
        return std::nullopt;
    }
    return b;
}

bool validMeterId(const QString& id) {
    return !id.isEmpty() && id.size() <= kMaxMeterIdLength &&
           std::all_of(id.begin(), id.end(), idCharacter);
}

QString topicProblem(const QString& topic) {
    qsizetype position = 0;
    for (const char32_t c : codePoints(topic)) {
        ++position;
        if (c == kNotUtf8) return QStringLiteral("it is not well-formed UTF-8");
        if (const char* kind = refusedKind(c))
            return QStringLiteral("%1 (character %2) is a %3; MQTT topics take none")
                .arg(codeName(c))
                .arg(position)
                .arg(QLatin1String(kind));
    }
    if (topic.startsWith(QLatin1Char('$')))
        return QStringLiteral("topics starting with $ are the broker's own");
    const QStringList levels = topic.split(QLatin1Char('/'));
    if (topic.contains(QLatin1Char('+')) || topic.contains(QLatin1Char('#')) ||
        std::any_of(levels.begin(), levels.end(), [](const QString& l) { return l.isEmpty(); }))
        return QStringLiteral(
            "expected topic levels such as plant/hall2, with no empty level and "
            "no + or #");
    if (const qsizetype bytes = topic.toUtf8().size(); bytes > kMaxTopicBytes)
        return QStringLiteral("it is %1 bytes long; MQTT takes at most %2")
            .arg(bytes)
            .arg(kMaxTopicBytes);
    return {};
}

QString printable(const QString& text) {
    constexpr qsizetype kShown = 40;
    QString out;
    qsizetype n = 0;
    for (const char32_t c : codePoints(text)) {
        if (++n > kShown) return out + QStringLiteral("…");
        if (c == kNotUtf8 || refusedKind(c))
            out += QLatin1Char('<') + codeName(c) + QLatin1Char('>');
        else
            out += QString::fromUcs4(&c, 1);
    }
    return out;
}

QString defaultMeterId(const QString& hostName, const QString& device, const QString& byIdFolder) {
    QString name = byIdName(device, byIdFolder);
    if (name.isEmpty()) {
        name = QDir::cleanPath(device);
        name.remove(0, name.startsWith(QLatin1String("/dev/")) ? 5 : name.startsWith(u'/') ? 1 : 0);
    }
    const QString host = hostName.section(QLatin1Char('.'), 0, 0);
    return idFrom(host.isEmpty() ? name : host + QLatin1Char('-') + name);
}

std::optional<MqttSettings> resolveMqttSettings(const MqttOptions& given,
                                                const QMap<QString, QString>& stored,
                                                const QString& envPassword, const QString& hostName,
                                                const QString& device, QString* error,
                                                SettingsFault* fault) {
    auto pick = [&](const QString& value, const char* key) {
        return value.isEmpty() ? stored.value(QLatin1String(key)) : value;
    };
    // Where a value came from, for its message: the option, or the settings file's key.
    auto from = [](const QString& value, const char* option, const char* key) {
        return !value.isEmpty()
                   ? QLatin1String(option) + QLatin1Char(' ')
                   : QStringLiteral("settings file [mqtt] %1=").arg(QLatin1String(key));
    };
    const QString url = pick(given.url, "url");
    if (url.isEmpty()) return std::nullopt;
    auto failed = [&](SettingsFault kind, const QString& why) {
        *error = why;
        if (fault) *fault = kind;
        return std::nullopt;
    };
    MqttSettings s;
    QString why;
    const std::optional<BrokerAddress> broker = parseBrokerUrl(url, &why);
    if (!broker)
        return failed(SettingsFault::WrongValue, from(given.url, "--mqtt", "url") + printable(url) +
                                                     QStringLiteral(": ") + why);
    s.broker = *broker;
    s.caFile = pick(given.caFile, "cafile");
    s.topicPrefix = pick(given.topic, "topic");
    if (s.topicPrefix.isEmpty()) s.topicPrefix = QStringLiteral("leakmeter");
    s.meterId = pick(given.meterId, "meter_id");
    if (s.meterId.isEmpty()) s.meterId = defaultMeterId(hostName, device);
    if (!validMeterId(s.meterId))
        return failed(SettingsFault::WrongValue,
                      from(given.meterId, "--meter-id", "meter_id") + printable(s.meterId) +
                          QStringLiteral(": expected 1 to 64 letters, digits, - and _"));
    // The whole of every topic, the meter id and the suffixes included, as MQTT rules it.
    const QString where = from(given.topic, "--mqtt-topic", "topic") + printable(s.topicPrefix) +
                          QStringLiteral(": ");
    if (const QString problem = topicProblem(s.topicPrefix); !problem.isEmpty())
        return failed(SettingsFault::WrongValue, where + problem);
    const MeterTopics t = topicsFor(s.topicPrefix, s.meterId);
    for (const QString& topic : t.all()) {
        if (const QString problem = topicProblem(topic); !problem.isEmpty())
            return failed(
                SettingsFault::WrongValue,
                where + QStringLiteral("the topic %1: %2").arg(printable(topic), problem));
    }
    s.discovery =
        !given.noDiscovery &&
        stored.value(QStringLiteral("discovery"), QStringLiteral("true")) != QLatin1String("false");
    s.intervalOnly = given.intervalOnly;
    const QString passwordFile = pick(given.passwordFile, "password_file");
    if (!passwordFile.isEmpty()) {
        if (!readPasswordFile(passwordFile, &s.password, &why))
            return failed(
                SettingsFault::UnreadablePassword,
                QStringLiteral("cannot read the MQTT password file %1: %2").arg(passwordFile, why));
    } else {
        s.password = envPassword;
    }
    return s;
}

}  // namespace publish
