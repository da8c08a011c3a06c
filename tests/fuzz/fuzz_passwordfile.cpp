// The MQTT password file: its first line is the password, a file over 4 KiB is refused with its
// reason; nothing else comes of any bytes.
#include <QFile>
#include <cstdio>
#include <cstdlib>

#include "publish/mqttsettings.h"
#include "scratch.h"

namespace {
QString path;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    path = fuzzScratchDir() + QStringLiteral("/mqtt.password");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        f.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
        std::abort();
    f.close();
    publish::MqttOptions given;
    given.url = QStringLiteral("mqtt://localhost");
    given.passwordFile = path;
    QString error;
    publish::SettingsFault fault = publish::SettingsFault::None;
    const std::optional<publish::MqttSettings> s = publish::resolveMqttSettings(
        given, {}, QString(), QStringLiteral("host"), QStringLiteral("/dev/ttyS0"), &error, &fault);
    const char* broken = nullptr;
    if (size > size_t(publish::kMaxPasswordFileBytes)) {
        if (s || fault != publish::SettingsFault::UnreadablePassword || error.isEmpty())
            broken = "a file over 4 KiB was taken";
    } else if (!s) {
        broken = "a password file of at most 4 KiB was refused";
    } else {
        const QString firstLine =
            QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size))
                .section(QLatin1Char('\n'), 0, 0)
                .remove(QLatin1Char('\r'));
        if (s->password != firstLine || s->password.contains(QLatin1Char('\n')))
            broken = "the password is not the file's first line";
    }
    if (broken) {
        std::fprintf(stderr, "password file rule broken: %s\n", broken);
        std::abort();
    }
    return 0;
}
