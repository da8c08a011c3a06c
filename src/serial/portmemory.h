#pragma once
// The port mapping kept between runs: the last mapping given on the command line or
// found by the probe, so the next start without --port reaches the meter the same way.
// Kept in the user's settings ("leakmeter" under the user's config folder, on Linux
// $XDG_CONFIG_HOME/leakmeter/leakmeter.conf).

#include <QMap>
#include <QSettings>
#include <QString>

#include "portmap.h"

namespace serial {

// The settings file that could not be written, and how writing it failed.
struct PortStoreError {
    QString file;
    QSettings::Status status = QSettings::NoError;
};

// The remembered mapping; empty when none is kept. Entries that no longer read as a
// valid mapping are left out.
PortMap rememberedPorts();

// Replaces the remembered mapping by `map`. False, with the reason in *error, when the
// settings could not be written.
bool rememberPorts(const PortMap& map, PortStoreError* error = nullptr);

// Clears the remembered mapping. False, with the reason in *error, when the settings
// could not be written.
bool forgetPorts(PortStoreError* error = nullptr);

// Every key and value of `group` in the same settings file (another part's settings kept beside
// the mapping, such as the broker readings are published to); empty when there is none.
QMap<QString, QString> storedSection(const QString& group);

// Other choices kept in the same file (the window's language): the value of `key`, empty
// when none is kept; rememberSetting replaces it. False, with the reason in *error, when
// the settings could not be written.
QString rememberedSetting(const QString& key);
bool rememberSetting(const QString& key, const QString& value, PortStoreError* error = nullptr);

// The file the mapping is kept in, for messages.
QString rememberedPortsFile();

}  // namespace serial
