// The settings file (leakmeter.conf under the user's config folder): the remembered port
// mapping, the window's language and the broker settings of section [mqtt]. Any bytes give a
// mapping of valid entries only, and broker settings or the reason they cannot be made.
#include <fcntl.h>
#include <sys/stat.h>
#include <QDir>
#include <QFile>
#include <cstdio>
#include <cstdlib>

#include "publish/mqttsettings.h"
#include "scratch.h"
#include "serial/portmemory.h"

namespace {

QString file;

[[noreturn]] void broken(const char* rule) {
    std::fprintf(stderr, "settings file rule broken: %s\n", rule);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const QString home = fuzzScratchDir();
    QDir().mkpath(home + QStringLiteral("/leakmeter"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home));
    file = home + QStringLiteral("/leakmeter/leakmeter.conf");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            f.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
            std::abort();
    }
    // The settings are read again when the file's size or time changed: each input gets a
    // time of its own, as an edit between two runs would.
    static qint64 edits = 0;
    const struct timespec times[2] = {{1'000'000'000 + ++edits, 0}, {1'000'000'000 + edits, 0}};
    if (::utimensat(AT_FDCWD, QFile::encodeName(file).constData(), times, 0) != 0) std::abort();

    const serial::PortMap ports = serial::rememberedPorts();
    for (auto it = ports.mappings().cbegin(); it != ports.mappings().cend(); ++it)
        if (it.key() < 1 || it.key() > serial::PortMap::kMaxPortNumber || it.value().isEmpty())
            broken("a remembered mapping that is no mapping");
    serial::rememberedSetting(QStringLiteral("language"));

    QString error;
    publish::SettingsFault fault = publish::SettingsFault::None;
    const QMap<QString, QString> stored = serial::storedSection(QStringLiteral("mqtt"));
    const std::optional<publish::MqttSettings> s =
        publish::resolveMqttSettings({}, stored, QString(), QStringLiteral("host"),
                                     QStringLiteral("/dev/ttyS0"), &error, &fault);
    if (s) {
        if (!error.isEmpty()) broken("settings made and refused");
        if (s->broker.host.isEmpty() || s->broker.port < 1 || s->broker.port > 65535)
            broken("a broker without host or port");
        if (!publish::validMeterId(s->meterId) || !publish::topicProblem(s->topicPrefix).isEmpty())
            broken("a meter id or topic MQTT refuses");
    } else if (error.isEmpty() != stored.value(QStringLiteral("url")).isEmpty()) {
        broken("a broker named and no settings nor reason");
    }
    return 0;
}
