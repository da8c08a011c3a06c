#pragma once
// Every text the status line and the port and meter labels show, in one table: what the link
// reports (as typed events) and what the window's own commands say. Byte for byte the texts
// the meter's users know, in English when the program speaks English (translated under the
// context "StatusText"); the link and the port layer hold none of them.

#include <QString>
#include <optional>

#include "protocol/meterlink.h"
#include "publish/mqttpublisher.h"

namespace app {

// The status line's text for a link event; nothing for an event that leaves it as it is.
std::optional<QString> statusText(const protocol::LinkEvent& event);

// The port label's text (Label1) after an open, and the meter label's (Label2) after a
// greeting; nothing for other events.
std::optional<QString> portLabelText(const protocol::LinkEvent& event);
std::optional<QString> meterLabelText(const protocol::LinkEvent& event);

// The line on stderr for an event the user should act on outside the window (no meter on
// the port); nothing for other events.
std::optional<QString> adviceLine(const protocol::LinkEvent& event);

// The window's own status texts.
QString noReplyAtStartText();  // at start-up, before any reply can have come
QString pausedText();
QString stoppedText();
QString dataLogFailedText(const QString& path);
QString saveFailedText(const QString& path);

// The tooltip of the communication-status frame while readings are published: the broker's
// state ("MQTT服务器 mqtt://host:1883: 已连接"); libmosquitto's reason as it gives it.
QString brokerStateText(publish::BrokerState state, const QString& broker, const QString& reason);

}  // namespace app
