#include "framedispatch.h"

#include "metercommand.h"

namespace protocol {
namespace {

quint8 At(const QByteArray& b, int i) {
    return static_cast<quint8>(b.at(i));
}

FrameAction Ignored() {
    FrameAction a;
    a.ignored = true;
    return a;
}

FrameAction Handshake(const QByteArray& reply) {
    if (reply.size() < 3) return Ignored();
    FrameAction a;
    if (At(reply, 0) == kHandshakeReply[0] && At(reply, 1) == kHandshakeReply[1] &&
        At(reply, 2) == kHandshakeReply[2]) {
        a.status = QStringLiteral("握手成功");
        a.handshakeOk = true;
    } else {
        a.status = QStringLiteral("握手失败,下位机返回出错");
    }
    return a;
}

FrameAction GroupCount(const QByteArray& reply) {
    if (reply.size() < 3) return Ignored();
    FrameAction a;
    if (At(reply, 0) == kGroupCountPrefix && At(reply, 1) == kGroupCountPrefix) {
        const int n = At(reply, 2);
        a.receiveThreshold = n == 0 ? kDefaultThreshold : 3 * n;
        a.storedGroupCount = n;
        a.status = QStringLiteral("存储的组数为:") + QString::number(n);
    } else {
        a.receiveThreshold = kDefaultThreshold;
        a.status = QStringLiteral("接收组数失败");
    }
    return a;
}

}  // namespace

FrameAction DispatchFrame(quint8 lastCommand, const QByteArray& reply) {
    switch (lastCommand) {
        case kHandshake:
            return Handshake(reply);
        case kGroupCount:
            return GroupCount(reply);
        case kStoredGroups: {
            // The report builder takes only the whole records present, so a reply of any
            // length is safe to hand on.
            FrameAction a;
            a.status = QStringLiteral("返回历史数据正常");
            a.route = FrameAction::Route::BuildReport;
            a.receiveThreshold = kDefaultThreshold;
            return a;
        }
        case kLiveReading: {
            if (reply.size() < 3) return Ignored();
            FrameAction a;
            a.storedGroupCount = 1;
            a.enableUnitOptions = true;
            a.route = FrameAction::Route::DecodeLive;
            a.status = QStringLiteral("接收电流数据正常");
            return a;
        }
        default: {
            FrameAction a;
            a.status = QStringLiteral("未知值");
            return a;
        }
    }
}

}  // namespace protocol
