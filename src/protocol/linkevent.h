#pragma once
// What happens on the link, one small type per kind, each carrying only its own data. The
// link reports them in order as one LinkEvent; a front end picks the kinds it shows with
// std::get_if, or visits them all with Overloaded lambdas.

#include <QMetaType>
#include <QString>
#include <variant>

#include "serial/commport.h"
#include "serial/serialsettings.h"

namespace protocol {

// Why a download of the stored groups ended without its report.
enum class DownloadFailure {
    CountMissing,  // no reply to the group-count request in time
    CountGarbled,  // the group-count reply was not 05 05 n: no groups request goes out
    GroupsShort,   // the stored groups did not arrive whole by their deadline
    PortLost,      // the port closed (an unplug, a write fault) before the last byte
};

// The port opened.
struct PortOpened {
    int portNumber = 0;
};
// The port would not open.
struct OpenFailed {
    int portNumber = 0;
    serial::OpenResult openResult = serial::OpenResult::InvalidPort;
};
// The device would not run `refused` (at an open or at a change): the line runs `kept`.
struct SettingsRefused {
    serial::LineSettings refused, kept;
};
// The meter answered the greeting correctly.
struct HandshakeAnswered {};
// Something else came back to the greeting.
struct HandshakeRefused {};
// The meter holds `count` stored groups.
struct GroupCount {
    int count = 0;
};
// The stored groups came whole (their data follows on groupsReceived).
struct GroupsReceived {};
// A live reply came (its record follows on liveReading).
struct LiveAnswered {};
// A reply to no command the link knows (the byte 0 at start).
struct UnknownReply {};
// A download ended without its report.
struct DownloadFailed {
    DownloadFailure failure = DownloadFailure::GroupsShort;
};
// Live requests went unanswered: the last reading is stale.
struct MeterSilent {};
// The first reply after a silence.
struct MeterAnswersAgain {};
// Nothing answered for `waitedMs` on the open port `portNumber` (device `device`).
struct NoMeterOnPort {
    int portNumber = 0;
    QString device;
    int waitedMs = 0;
};

using LinkEvent =
    std::variant<PortOpened, OpenFailed, SettingsRefused, HandshakeAnswered, HandshakeRefused,
                 GroupCount, GroupsReceived, LiveAnswered, UnknownReply, DownloadFailed,
                 MeterSilent, MeterAnswersAgain, NoMeterOnPort>;

// Lambdas for std::visit, one per kind (or one `const auto&` for the kinds left over).
template <class... Handlers>
struct Overloaded : Handlers... {
    using Handlers::operator()...;
};
template <class... Handlers>
Overloaded(Handlers...) -> Overloaded<Handlers...>;

}  // namespace protocol

Q_DECLARE_METATYPE(protocol::LinkEvent)
