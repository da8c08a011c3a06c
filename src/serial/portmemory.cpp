#include "portmemory.h"

#include <QSettings>

namespace serial {

namespace {

const QString kGroup = QStringLiteral("ports");

QSettings Store() {
    return QSettings(QSettings::UserScope, QStringLiteral("leakmeter"),
                     QStringLiteral("leakmeter"));
}

bool Finish(QSettings& s, PortStoreError* error) {
    s.sync();
    if (s.status() == QSettings::NoError) return true;
    if (error) *error = {s.fileName(), s.status()};
    return false;
}

}  // namespace

PortMap RememberedPorts() {
    QSettings s = Store();
    PortMap map;
    s.beginGroup(kGroup);
    for (const QString& key : s.childKeys()) {
        // The settings file splits a text with commas into a list; join it again.
        const QString device = s.value(key).toStringList().join(QLatin1Char(','));
        map.addMapping(key + QLatin1Char('=') + device);  // a bad entry is left out
    }
    return map;
}

bool RememberPorts(const PortMap& map, PortStoreError* error) {
    QSettings s = Store();
    s.remove(kGroup);
    s.beginGroup(kGroup);
    for (auto it = map.mappings().constBegin(); it != map.mappings().constEnd(); ++it)
        s.setValue(QStringLiteral("COM%1").arg(it.key()), *it);
    s.endGroup();
    return Finish(s, error);
}

bool ForgetPorts(PortStoreError* error) {
    QSettings s = Store();
    s.remove(kGroup);
    return Finish(s, error);
}

QMap<QString, QString> StoredSection(const QString& group) {
    QSettings s = Store();
    s.beginGroup(group);
    QMap<QString, QString> values;
    // A value with commas comes back as a list; join it again.
    for (const QString& key : s.childKeys())
        values.insert(key, s.value(key).toStringList().join(QLatin1Char(',')));
    return values;
}

QString RememberedSetting(const QString& key) {
    return Store().value(key).toString();
}

bool RememberSetting(const QString& key, const QString& value, PortStoreError* error) {
    QSettings s = Store();
    s.setValue(key, value);
    return Finish(s, error);
}

QString RememberedPortsFile() {
    return Store().fileName();
}

}  // namespace serial
