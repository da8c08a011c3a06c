#include "portmemory.h"

#include <QSettings>

namespace serial {

namespace {

const QString kGroup = QStringLiteral("ports");

QSettings store() {
    return QSettings(QSettings::UserScope, QStringLiteral("leakmeter"),
                     QStringLiteral("leakmeter"));
}

bool finish(QSettings& s, PortStoreError* error) {
    s.sync();
    if (s.status() == QSettings::NoError) return true;
    if (error) *error = {s.fileName(), s.status()};
    return false;
}

}  // namespace

PortMap rememberedPorts() {
    QSettings s = store();
    PortMap map;
    s.beginGroup(kGroup);
    for (const QString& key : s.childKeys()) {
        // The settings file splits a text with commas into a list; join it again.
        const QString device = s.value(key).toStringList().join(QLatin1Char(','));
        map.addMapping(key + QLatin1Char('=') + device);  // a bad entry is left out
    }
    return map;
}

bool rememberPorts(const PortMap& map, PortStoreError* error) {
    QSettings s = store();
    s.remove(kGroup);
    s.beginGroup(kGroup);
    for (auto it = map.mappings().constBegin(); it != map.mappings().constEnd(); ++it)
        s.setValue(QStringLiteral("COM%1").arg(it.key()), *it);
    s.endGroup();
    return finish(s, error);
}

bool forgetPorts(PortStoreError* error) {
    QSettings s = store();
    s.remove(kGroup);
    return finish(s, error);
}

QMap<QString, QString> storedSection(const QString& group) {
    QSettings s = store();
    s.beginGroup(group);
    QMap<QString, QString> values;
    // A value with commas comes back as a list; join it again.
    for (const QString& key : s.childKeys())
        values.insert(key, s.value(key).toStringList().join(QLatin1Char(',')));
    return values;
}

QString rememberedSetting(const QString& key) {
    return store().value(key).toString();
}

bool rememberSetting(const QString& key, const QString& value, PortStoreError* error) {
    QSettings s = store();
    s.setValue(key, value);
    return finish(s, error);
}

QString rememberedPortsFile() {
    return store().fileName();
}

}  // namespace serial
