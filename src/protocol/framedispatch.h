#pragma once
// What one reply from the meter means, decided from the command written last and the
// reply bytes alone. The link applies the result to its state and timers; keeping the
// decision here lets every branch be checked with plain byte vectors.
//
// Branches by last command:
//   5   D5 55 55           -> greeting answered: meter connected, greeting retries stop
//       anything else      -> greeting refused
//   15  05 05 n            -> threshold 3n (3 when n = 0), StoredGroupCount n, the count
//       anything else      -> threshold 3, the count is garbled, count kept
//   25  (history records)  -> the stored groups: build the report, then threshold 3
//   35  (live record)      -> StoredGroupCount 1, decode the reading
//   any other (0 at start) -> a reply to no known command
// Only the listed bytes are examined; longer replies are accepted. A reply shorter than
// the bytes its branch reads is ignored altogether.

#include <QByteArray>
#include <optional>

#include "metercommand.h"

namespace protocol {

// What a reply was, for the front ends to say.
enum class ReplyOutcome {
    HandshakeAnswered,
    HandshakeRefused,
    GroupCount,
    GroupCountGarbled,
    GroupsReceived,
    LiveAnswered,
    Unknown,
};

struct FrameAction {
    enum class Route { None, DecodeLive, BuildReport };

    bool ignored = false;                 // too short for its branch: change nothing
    std::optional<ReplyOutcome> outcome;  // what the reply was (not for an ignored one)
    bool handshakeOk = false;             // meter answered the greeting correctly
    std::optional<int> storedGroupCount;  // set before the route runs
    Route route = Route::None;            // decoding routine to run
    std::optional<int> receiveThreshold;  // applied after the route ran
};

FrameAction dispatchFrame(MeterCommand lastCommand, const QByteArray& reply);

}  // namespace protocol
