#include "meterlink.h"

#include <QTimer>
#include <cmath>

#include "framedispatch.h"
#include "metercommand.h"

namespace protocol {

namespace {

QTimer* NewTimer(QObject* parent, const char* name, int interval, bool running) {
    auto* t = new QTimer(parent);
    t->setObjectName(QString::fromLatin1(name));
    t->setInterval(interval);
    t->setTimerType(Qt::PreciseTimer);
    if (running) t->start();
    return t;
}

}  // namespace

int HistoryDeadlineMs(int records, const QString& settingsText) {
    serial::LineSettings line;
    serial::ParseLineSettings(settingsText, &line);  // the defaults if it does not parse
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
    Timer2 = NewTimer(this, "Timer2", 500, true);
    Timer3 = NewTimer(this, "Timer3", 100, false);
    Timer4 = NewTimer(this, "Timer4", 500, true);
    Timer5 = NewTimer(this, "Timer5", 1000, true);
    historyDeadline_ = NewTimer(this, "HistoryDeadline", 1000, false);
    historyDeadline_->setSingleShot(true);
    countWait_ = NewTimer(this, "GroupCountWait", kCountWaitMs, false);
    countWait_->setSingleShot(true);

    connect(&port_, &serial::CommPort::dataReceived, this, &MeterLink::onDataReceived);
    // A port the layer closed after an error: no download can complete on it.
    connect(&port_, &serial::CommPort::closedAfterError, this, [this] {
        const bool downloading = awaitingHistory();
        resetExchange();
        if (downloading) GiveUpHistory(DownloadFailure::PortLost);
    });
    connect(Timer2, &QTimer::timeout, this, &MeterLink::SendHandshake);
    connect(Timer3, &QTimer::timeout, this, &MeterLink::onGroupsDue);
    connect(countWait_, &QTimer::timeout, this, [this] {
        // A count that comes after this is no reply to anything.
        port_.clearInput();
        discardLate_ = true;
        GiveUpHistory(DownloadFailure::CountMissing);
    });
    connect(Timer4, &QTimer::timeout, this, &MeterLink::onPollTick);
    connect(Timer5, &QTimer::timeout, this, [this] {
        if (!port_.isOpen()) OpenSerialPort();
    });
    connect(historyDeadline_, &QTimer::timeout, this, &MeterLink::onHistoryDeadline);
}

// ---- Port ---------------------------------------------------------------------------

void MeterLink::OpenSerialPort() {
    const QString asked = port_.settings();
    const serial::OpenResult result = port_.open();
    if (result != serial::OpenResult::Opened) {
        emit openFailed(result);
        return;
    }
    resetExchange();
    emit opened();
    // Some devices keep their own line settings at open (a pseudo-terminal runs 8 data bits
    // and no parity only). The settings the user sees follow what the line really runs.
    const QString runs = port_.settings();
    if (runs != asked) {
        serial::AdoptSettingsText(SerialSettings, runs);
        emit settingsRefused(asked, runs);
    }
}

bool MeterLink::ApplySerialSettings(serial::SettingsRefusal* refusal) {
    return port_.setSettings(serial::SettingsText(SerialSettings), refusal);
}

void MeterLink::SelectPort(int number) {
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

void MeterLink::SendCommand(int code) {
    if (!port_.isOpen()) {
        // The groups request of a running download cannot go out: the download is over.
        if (code == kStoredGroups && awaitingHistory()) GiveUpHistory(DownloadFailure::PortLost);
        return;
    }
    CommandBuffer[0] = char(quint8(code));
    discardLate_ = false;
    if (code != kStoredGroups) {
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
        if (downloading) GiveUpHistory(DownloadFailure::PortLost);
        return;
    }
    // The sign-off, and the groups request when none are stored, expect nothing back.
    const bool expectsReply = code != kSignOff && !(code == kStoredGroups && StoredGroupCount == 0);
    if (expectsReply && !unansweredSince_.isValid()) unansweredSince_.start();
    if (code == kLiveReading) ++unansweredLive_;
    if (code == kStoredGroups && StoredGroupCount > 0) {
        historyDeadline_->start(HistoryDeadlineMs(port_.rThreshold() / 3, port_.settings()));
        download_ = Download::AwaitingGroups;
    } else if (code == kStoredGroups) {
        download_ = Download::None;  // none stored: nothing comes back
    }
}

bool MeterLink::awaitingHistory() const {
    return download_ != Download::None;
}

void MeterLink::SendHandshake() {
    SendCommand(kHandshake);
}

void MeterLink::RequestLiveReading() {
    if (MonitorMode != 1 || DeviceConnected != 1 || RunState != 1) return;
    if (port_.isOpen() && unansweredLive_ >= kSilentAfterRequests && !silent_) {
        silent_ = true;
        emit meterFellSilent();
        emit status(QStringLiteral("设备无响应"));
    }
    SendCommand(kLiveReading);
}

void MeterLink::RequestHistory() {
    if (DeviceConnected == 1 && MonitorMode == 2) {
        SendCommand(kGroupCount);
        if (!port_.isOpen()) return;  // nothing went out
        download_ = Download::AwaitingCount;
        groupsDue_ = false;
        countWait_->start();
        Timer3->start();
    }
}

void MeterLink::onGroupsDue() {
    Timer3->stop();
    switch (download_) {
        case Download::AwaitingCount:
            // The count is late: the groups are asked for as soon as it comes, or the
            // download ends when its wait runs out.
            groupsDue_ = true;
            break;
        case Download::CountAnswered:
            SendCommand(kStoredGroups);
            break;
        case Download::None:
        case Download::AwaitingGroups:
            // A garbled count, a port lost, another command: no groups request goes out
            // for a count that is not this download's.
            break;
    }
}

void MeterLink::SignOff() {
    SendCommand(kSignOff);
}

void MeterLink::StopTimers() {
    for (QTimer* t : {Timer2, Timer3, Timer4, Timer5, historyDeadline_, countWait_}) t->stop();
}

void MeterLink::onPollTick() {
    // A pause, a stop or the history mode ends a run of unanswered requests.
    if (MonitorMode != 1 || DeviceConnected != 1 || RunState != 1) unansweredLive_ = 0;
    RequestLiveReading();
    if (port_.isOpen() && !noMeterAdvised_ && unansweredSince_.isValid() &&
        unansweredSince_.elapsed() >= noMeterAdviceMs_) {
        noMeterAdvised_ = true;
        const QString line =
            QStringLiteral(
                "leakmeter: no meter has answered on COM%1 (%2) for %3 s: check that "
                "the meter is switched on and its cable is in; 'leakmeter "
                "--list-ports' lists the serial devices, 'leakmeter --port "
                "COM%1=auto' finds the meter")
                .arg(port_.commPort())
                .arg(port_.deviceName())
                .arg(noMeterAdviceMs_ / 1000.0);
        emit advice(line);
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
    ReceiveBuffer = port_.input();
    port_.clearInput();
    unansweredSince_.invalidate();  // something answers on this port
    noMeterAdvised_ = false;
    HandleFrame();
}

void MeterLink::HandleFrame() {
    // The command this reply answers; a receiver may write the next one while it is handled.
    const quint8 answered = quint8(CommandBuffer.at(0));
    const FrameAction a = DispatchFrame(answered, ReceiveBuffer);
    if (a.ignored) return;
    unansweredLive_ = 0;
    const bool wasSilent = silent_;
    silent_ = false;
    if (wasSilent) emit meterAnsweredAgain();
    if (a.route == FrameAction::Route::BuildReport) {
        historyDeadline_->stop();
        download_ = Download::None;
    }
    if (a.handshakeOk) {
        Timer2->stop();
        DeviceConnected = 1;
        emit handshakeAnswered();
    }
    const bool countReply = answered == kGroupCount;
    if (a.storedGroupCount) StoredGroupCount = *a.storedGroupCount;
    if (countReply && download_ == Download::AwaitingCount) {
        countWait_->stop();
        download_ = a.storedGroupCount ? Download::CountAnswered : Download::None;
    }
    if (countReply && !a.storedGroupCount) {
        // A count that cannot be read: the groups are not asked for, the report stays and
        // the reply's own status text ("接收组数失败") stands.
        Timer3->stop();
        groupsDue_ = false;
        historyDeadline_->stop();
        emit historyFailed(DownloadFailure::CountGarbled);
    }
    if (a.storedGroupCount && countReply) emit groupCountAnswered(*a.storedGroupCount);
    if (a.enableUnitOptions) emit unitOptionsEnabled();
    switch (a.route) {
        case FrameAction::Route::DecodeLive:
            emit liveRecord();
            break;
        case FrameAction::Route::BuildReport:
            emit historyData();
            break;
        case FrameAction::Route::None:
            break;
    }
    if (a.status) emit status(*a.status);
    if (a.receiveThreshold) port_.setRThreshold(*a.receiveThreshold);
    // A count that came after the groups request was due: ask for them now.
    if (groupsDue_ && download_ == Download::CountAnswered) {
        groupsDue_ = false;
        SendCommand(kStoredGroups);
    }
}

void MeterLink::onHistoryDeadline() {
    // Armed only by the stored-groups request; any later command or reply stops it.
    port_.setRThreshold(kDefaultThreshold);
    port_.clearInput();
    discardLate_ = true;
    GiveUpHistory(DownloadFailure::GroupsShort);
}

void MeterLink::GiveUpHistory(DownloadFailure why) {
    historyDeadline_->stop();
    countWait_->stop();
    Timer3->stop();
    download_ = Download::None;
    groupsDue_ = false;
    emit historyFailed(why);
    emit status(QStringLiteral("接收历史数据失败"));
}

}  // namespace protocol
