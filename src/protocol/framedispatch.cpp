#include "framedispatch.h"

namespace protocol {
namespace {

quint8 at(const QByteArray& b, int i) {
    return static_cast<quint8>(b.at(i));
}

FrameAction ignored() {
    FrameAction a;
    a.ignored = true;
    return a;
}

FrameAction handshake(const QByteArray& reply) {
    if (reply.size() < 3) return ignored();
    FrameAction a;
    if (at(reply, 0) == kHandshakeReply[0] && at(reply, 1) == kHandshakeReply[1] &&
        at(reply, 2) == kHandshakeReply[2]) {
        a.outcome = ReplyOutcome::HandshakeAnswered;
        a.handshakeOk = true;
    } else {
        a.outcome = ReplyOutcome::HandshakeRefused;
    }
    return a;
}

FrameAction GroupCount(const QByteArray& reply) {
    if (reply.size() < 3) return ignored();
    FrameAction a;
    if (at(reply, 0) == kGroupCountPrefix && at(reply, 1) == kGroupCountPrefix) {
        const int n = at(reply, 2);
        a.receiveThreshold = n == 0 ? kDefaultThreshold : 3 * n;
        a.storedGroupCount = n;
        a.outcome = ReplyOutcome::GroupCount;
    } else {
        a.receiveThreshold = kDefaultThreshold;
        a.outcome = ReplyOutcome::GroupCountGarbled;
    }
    return a;
}

}  // namespace

FrameAction dispatchFrame(MeterCommand lastCommand, const QByteArray& reply) {
    switch (lastCommand) {
        case MeterCommand::Handshake:
            return handshake(reply);
        case MeterCommand::GroupCount:
            return GroupCount(reply);
        case MeterCommand::StoredGroups: {
            // The report builder takes only the whole records present, so a reply of any
            // length is safe to hand on.
            FrameAction a;
            a.outcome = ReplyOutcome::GroupsReceived;
            a.route = FrameAction::Route::BuildReport;
            a.receiveThreshold = kDefaultThreshold;
            return a;
        }
        case MeterCommand::LiveReading: {
            if (reply.size() < 3) return ignored();
            FrameAction a;
            a.storedGroupCount = 1;
            a.route = FrameAction::Route::DecodeLive;
            a.outcome = ReplyOutcome::LiveAnswered;
            return a;
        }
        case MeterCommand::SignOff:
            break;
    }
    // The sign-off, or a byte no command has: a reply to nothing the link asked.
    FrameAction a;
    a.outcome = ReplyOutcome::Unknown;
    return a;
}

}  // namespace protocol
