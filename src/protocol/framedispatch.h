#pragma once
// What one reply from the meter means, decided from the command written last and the
// reply bytes alone. The main window applies the result to its controls and timers;
// keeping the decision here lets every branch be checked with plain byte vectors.
//
// Branches by last command:
//   5   D5 55 55           -> "握手成功", meter connected, handshake retries stop
//       anything else      -> "握手失败,下位机返回出错"
//   15  05 05 n            -> threshold 3n (3 when n = 0), StoredGroupCount n,
//                             "存储的组数为:" + n
//       anything else      -> threshold 3, "接收组数失败", count kept
//   25  (history records)  -> "返回历史数据正常", build the report, then threshold 3
//   35  (live record)      -> StoredGroupCount 1, unit options enabled, decode the
//                             reading, then "接收电流数据正常"
//   any other (0 at start) -> "未知值"
// Only the listed bytes are examined; longer replies are accepted. A reply shorter than
// the bytes its branch reads is ignored altogether.

#include <QByteArray>
#include <QString>
#include <optional>

namespace protocol {

struct FrameAction {
    enum class Route { None, DecodeLive, BuildReport };

    bool ignored = false;                 // too short for its branch: change nothing
    std::optional<QString> status;        // new status line text, shown after the route ran
    bool handshakeOk = false;             // meter answered the greeting correctly
    std::optional<int> storedGroupCount;  // set before the route runs
    bool enableUnitOptions = false;       // the alarm unit options become usable
    Route route = Route::None;            // decoding routine to run
    std::optional<int> receiveThreshold;  // applied after the route ran
};

FrameAction DispatchFrame(quint8 lastCommand, const QByteArray& reply);

}  // namespace protocol
