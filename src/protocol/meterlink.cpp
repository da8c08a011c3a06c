#include "meterlink.h"

#include <QTimer>
#include <cmath>

#include "framedispatch.h"
#include "namedtimer.h"

namespace protocol {

namespace {

// The event for a reply's outcome; `count` is the stored groups the link now knows of.
LinkEvent eventOf(ReplyOutcome outcome, int count) {
    switch (outcome) {
        case ReplyOutcome::HandshakeAnswered:
            return HandshakeAnswered{};
        case ReplyOutcome::HandshakeRefused:
            return HandshakeRefused{};
        case ReplyOutcome::GroupCount:
            return GroupCount{count};
        case ReplyOutcome::GroupCountGarbled:
            return DownloadFailed{DownloadFailure::CountGarbled};
        case ReplyOutcome::GroupsReceived:
            return GroupsReceived{};
        case ReplyOutcome::LiveAnswered:
            return LiveAnswered{};
        case ReplyOutcome::Unknown:
            break;
    }
    return UnknownReply{};
}

}  // namespace

int historyDeadlineMs(int records, const serial::LineSettings& line) {
    const double stopBits = line.stopBits == QSerialPort::OneStop          ? 1.0
                            : line.stopBits == QSerialPort::OneAndHalfStop ? 1.5
                                                                           : 2.0;
    const double bitsPerByte =
        1 + int(line.dataBits) + (line.parity == QSerialPort::NoParity ? 0 : 1) + stopBits;
    const double transfer = 3.0 * qMax(0, records) * bitsPerByte * 1000.0 / qMax(1, line.baudRate);
    return int(std::ceil(transfer)) + 1000;
}

MeterLink::MeterLink(serial::CommPort& port, QObject* parent) : QObject(parent), port_(port) {
    setObjectName(QStringLiteral("MeterLink"));
    timer2_ = newNamedTimer(this, "Timer2", 500, true);
    timer3_ = newNamedTimer(this, "Timer3", 100, false);
    timer4_ = newNamedTimer(this, "Timer4", 500, true);
    timer5_ = newNamedTimer(this, "Timer5", 1000, true);
    historyDeadline_ = newNamedTimer(this, "HistoryDeadline", 1000, false);
    historyDeadline_->setSingleShot(true);
    countWait_ = newNamedTimer(this, "GroupCountWait", kCountWaitMs, false);
    countWait_->setSingleShot(true);

    connect(&port_, &serial::CommPort::dataReceived, this, &MeterLink::onDataReceived);
    // A port the layer closed after an error: no download can complete on it.
    connect(&port_, &serial::CommPort::closedAfterError, this, [this] {
        const bool downloading = awaitingHistory();
        resetExchange();
        if (downloading) giveUpHistory(DownloadFailure::PortLost);
    });
    connect(timer2_, &QTimer::timeout, this, &MeterLink::SendHandshake);
    connect(timer3_, &QTimer::timeout, this, &MeterLink::onGroupsDue);
    connect(countWait_, &QTimer::timeout, this, [this] {
        // A count that comes after this is no reply to anything.
        port_.clearInput();
        discardLate_ = true;
        giveUpHistory(DownloadFailure::CountMissing);
    });
    connect(timer4_, &QTimer::timeout, this, &MeterLink::onPollTick);
    connect(timer5_, &QTimer::timeout, this, [this] {
        if (!port_.isOpen()) OpenSerialPort();
    });
    connect(historyDeadline_, &QTimer::timeout, this, &MeterLink::onHistoryDeadline);
}

// ---- Port ---------------------------------------------------------------------------

serial::LineSettings MeterLink::lineSettings() const {
    return port_.lineSettings();
}

bool MeterLink::setLineSettings(const serial::LineSettings& line) {
    if (port_.setLineSettings(line)) return true;
    emit event(SettingsRefused{line, lineSettings()});
    return false;
}

void MeterLink::OpenSerialPort() {
    const serial::LineSettings asked = lineSettings();
    const serial::OpenResult result = port_.open();
    if (result != serial::OpenResult::Opened) {
        emit event(OpenFailed{port_.commPort(), result});
        return;
    }
    resetExchange();
    emit event(PortOpened{port_.commPort()});
    // Some devices keep their own line settings at open (a pseudo-terminal runs 8 data bits
    // and no parity only). The settings the user sees follow what the line really runs.
    const serial::LineSettings runs = lineSettings();
    if (!(runs == asked)) emit event(SettingsRefused{asked, runs});
}

void MeterLink::selectPort(int number) {
    if (port_.isOpen()) port_.close();
    resetExchange();
    port_.setCommPort(number);
    OpenSerialPort();
}

void MeterLink::resetExchange() {
    // The port itself returns its receive threshold to one record at every open and close.
    historyDeadline_->stop();
    countWait_->stop();
    download_ = Download::None;
    groupsDue_ = false;
    discardLate_ = false;
    unansweredLive_ = 0;
    unansweredSince_.invalidate();
    noMeterAdvised_ = false;
}

// ---- Writing ------------------------------------------------------------------------

void MeterLink::SendCommand(MeterCommand code) {
    if (!port_.isOpen()) {
        // The groups request of a running download cannot go out: the download is over.
        if (code == MeterCommand::StoredGroups && awaitingHistory())
            giveUpHistory(DownloadFailure::PortLost);
        return;
    }
    lastCommand_ = code;
    discardLate_ = false;
    if (code != MeterCommand::StoredGroups) {
        // Only the stored-groups reply is longer than one record.
        port_.setRThreshold(kDefaultThreshold);
        historyDeadline_->stop();
        // Another command ends a download that was waiting for its groups (a mode switch).
        if (download_ == Download::AwaitingGroups || download_ == Download::CountAnswered)
            download_ = Download::None;
    }
    // A failed write means the device is gone or broken; the re-open timer takes over.
    if (!port_.output(quint8(code))) {
        const bool downloading = awaitingHistory();
        port_.close();
        resetExchange();
        if (downloading) giveUpHistory(DownloadFailure::PortLost);
        return;
    }
    // The sign-off, and the groups request when none are stored, expect nothing back.
    const bool expectsReply = code != MeterCommand::SignOff &&
                              !(code == MeterCommand::StoredGroups && storedGroupCount_ == 0);
    if (expectsReply && !unansweredSince_.isValid()) unansweredSince_.start();
    if (code == MeterCommand::LiveReading) ++unansweredLive_;
    if (code == MeterCommand::StoredGroups && storedGroupCount_ > 0) {
        historyDeadline_->start(historyDeadlineMs(port_.rThreshold() / 3, lineSettings()));
        download_ = Download::AwaitingGroups;
    } else if (code == MeterCommand::StoredGroups) {
        download_ = Download::None;  // none stored: nothing comes back
    }
}

bool MeterLink::awaitingHistory() const {
    return download_ != Download::None;
}

void MeterLink::SendHandshake() {
    SendCommand(MeterCommand::Handshake);
}

void MeterLink::RequestLiveReading() {
    if (mode_ != LinkMode::Live || !deviceConnected_ || !running_) return;
    // A download still under way (the mode changed during it) is answered first: a live request
    // now would take the count or the stored groups for a live record. Polling goes on when the
    // download ends, by its report or its deadline.
    if (awaitingHistory()) return;
    if (port_.isOpen() && unansweredLive_ >= kSilentAfterRequests && !silent_) {
        silent_ = true;
        emit event(MeterSilent{});
    }
    SendCommand(MeterCommand::LiveReading);
}

void MeterLink::RequestHistory() {
    if (deviceConnected_ && mode_ == LinkMode::History) {
        SendCommand(MeterCommand::GroupCount);
        if (!port_.isOpen()) return;  // nothing went out
        download_ = Download::AwaitingCount;
        groupsDue_ = false;
        countWait_->start();
        timer3_->start();
    }
}

void MeterLink::onGroupsDue() {
    timer3_->stop();
    switch (download_) {
        case Download::AwaitingCount:
            // The count is late: the groups are asked for as soon as it comes, or the
            // download ends when its wait runs out.
            groupsDue_ = true;
            break;
        case Download::CountAnswered:
            SendCommand(MeterCommand::StoredGroups);
            break;
        case Download::None:
        case Download::AwaitingGroups:
            // A garbled count, a port lost, another command: no groups request goes out
            // for a count that is not this download's.
            break;
    }
}

void MeterLink::signOff() {
    SendCommand(MeterCommand::SignOff);
}

void MeterLink::stopTimers() {
    for (QTimer* t : {timer2_, timer3_, timer4_, timer5_, historyDeadline_, countWait_}) t->stop();
}

void MeterLink::onPollTick() {
    // A pause, a stop or the history mode ends a run of unanswered requests.
    if (mode_ != LinkMode::Live || !deviceConnected_ || !running_) unansweredLive_ = 0;
    RequestLiveReading();
    if (port_.isOpen() && !noMeterAdvised_ && unansweredSince_.isValid() &&
        unansweredSince_.elapsed() >= noMeterAdviceMs_) {
        noMeterAdvised_ = true;
        emit event(NoMeterOnPort{port_.commPort(), port_.deviceName(), noMeterAdviceMs_});
    }
}

// ---- Receiving ----------------------------------------------------------------------

void MeterLink::onDataReceived() {
    if (discardLate_) {
        // The rest of a reply that was given up: no command is waiting for it.
        port_.input();
        port_.clearInput();
        return;
    }
    reply_ = port_.input();
    port_.clearInput();
    unansweredSince_.invalidate();  // something answers on this port
    noMeterAdvised_ = false;
    HandleFrame();
}

void MeterLink::HandleFrame() {
    // The command this reply answers; a receiver may write the next one while it is handled.
    const MeterCommand answered = lastCommand_;
    const QByteArray reply = reply_;
    const FrameAction a = dispatchFrame(answered, reply);
    if (a.ignored) return;
    unansweredLive_ = 0;
    const bool wasSilent = silent_;
    silent_ = false;
    if (wasSilent) emit event(MeterAnswersAgain{});
    if (a.route == FrameAction::Route::BuildReport) {
        historyDeadline_->stop();
        download_ = Download::None;
    }
    if (a.handshakeOk) {
        timer2_->stop();
        deviceConnected_ = true;
    }
    const bool countReply = answered == MeterCommand::GroupCount;
    if (a.storedGroupCount) storedGroupCount_ = *a.storedGroupCount;
    if (countReply && download_ == Download::AwaitingCount) {
        countWait_->stop();
        download_ = a.storedGroupCount ? Download::CountAnswered : Download::None;
    }
    if (countReply && !a.storedGroupCount) {
        // A count that cannot be read: the groups are not asked for and the report stays. It
        // ends the download, also one whose first count came whole (a second reply, garbled).
        timer3_->stop();
        groupsDue_ = false;
        historyDeadline_->stop();
        download_ = Download::None;
    }
    // Its threshold first: a receiver may write the next command, which sets its own.
    if (a.receiveThreshold) port_.setRThreshold(*a.receiveThreshold);

    emit event(eventOf(a.outcome.value_or(ReplyOutcome::Unknown), storedGroupCount_));

    // The data the reply carries, picked here once for every front end.
    switch (a.route) {
        case FrameAction::Route::DecodeLive: {
            const QList<measure::MeterRecord> records =
                measure::recordsOf(reply, storedGroupCount_);
            if (!records.isEmpty()) emit liveReading(records.last());
            break;
        }
        case FrameAction::Route::BuildReport:
            emit groupsReceived(measure::recordsOf(reply, storedGroupCount_));
            break;
        case FrameAction::Route::None:
            break;
    }
    // A count that came after the groups request was due: ask for them now.
    if (groupsDue_ && download_ == Download::CountAnswered) {
        groupsDue_ = false;
        SendCommand(MeterCommand::StoredGroups);
    }
}

void MeterLink::onHistoryDeadline() {
    // Armed only by the stored-groups request; any later command or reply stops it.
    port_.setRThreshold(kDefaultThreshold);
    port_.clearInput();
    discardLate_ = true;
    giveUpHistory(DownloadFailure::GroupsShort);
}

void MeterLink::giveUpHistory(DownloadFailure why) {
    historyDeadline_->stop();
    countWait_->stop();
    timer3_->stop();
    download_ = Download::None;
    groupsDue_ = false;
    emit event(DownloadFailed{why});
}

}  // namespace protocol
