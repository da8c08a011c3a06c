#pragma once
// The meter's one-byte commands. The meter never speaks first: the program writes one of
// these and interprets whatever comes back by the code it wrote last.

#include <QByteArray>
#include <QtGlobal>

#include "serial/portdiscovery.h"

namespace protocol {

enum class MeterCommand : quint8 {
    SignOff = 0,        // written when the program ends; no reply
    Handshake = 5,      // reply D5 55 55
    GroupCount = 15,    // reply 05 05 n: n stored measurement groups (0..255)
    StoredGroups = 25,  // reply: n records of 3 bytes
    LiveReading = 35,   // reply: one 3-byte record
};

// Bytes of a correct handshake reply and of the group-count reply's fixed prefix.
inline constexpr quint8 kHandshakeReply[3] = {0xD5, 0x55, 0x55};
inline constexpr quint8 kGroupCountPrefix = 0x05;

// The greeting as the port probe sends it to find the meter: the handshake command, and
// the reply that shows the meter is there.
inline serial::Greeting probeGreeting() {
    return {QByteArray(1, char(MeterCommand::Handshake)),
            QByteArray(reinterpret_cast<const char*>(kHandshakeReply), sizeof kHandshakeReply)};
}

// Receive threshold outside a history download: one record, or one handshake/count reply.
inline constexpr int kDefaultThreshold = 3;

}  // namespace protocol
