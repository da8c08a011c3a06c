#pragma once
// The conversation with the meter, shared by every front end (the main window, the headless
// logger): opening and re-opening the port, the greeting repeated until the meter answers,
// live polling, the two-step history download, and the dispatch of each reply by the command
// written last. Front ends read its state through accessors, change it through calls, and
// hear what happens as typed events and decoded data; what a user reads is theirs to word.
//
// Timers (children of the link, found by these object names):
//   Timer2  500 ms  greeting, repeated until the meter answers D5 55 55
//   Timer3  100 ms  one shot: asks for the stored groups after the group count
//   Timer4  500 ms  live request when the mode, connection and run state allow
//   Timer5 1000 ms  re-opens the port while it is closed
//
// Beyond the bare exchange the link keeps itself from going deaf: the receive threshold
// returns to 3 bytes whenever anything but the stored-groups request is written and at
// every open and close. A download is watched from its first command to its last byte: the
// group count has a fixed time to come, the stored groups their deadline (3n bytes at the
// line's speed, plus 1 s), and a port lost at any point ends it; a garbled count ends it
// with no groups request. Live polling waits while a download is under way, whose replies it
// would take for its own. It also notices a meter that stops answering live requests, and a
// port on which no meter ever answers.

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>

#include "linkevent.h"
#include "measure/meterrecord.h"
#include "metercommand.h"
#include "serial/commport.h"
#include "serial/serialsettings.h"

class QTimer;

namespace protocol {

// How long a stored-groups reply of `records` records may take on a line running `line`:
// the time its bytes take at that speed, with start, parity and stop bits, plus 1 s.
int historyDeadlineMs(int records, const serial::LineSettings& line);

// What the link may be asked to do: poll live readings, or answer history queries.
enum class LinkMode { None, Live, History };

class MeterLink : public QObject {
    Q_OBJECT
  public:
    // Unanswered live requests in a row after which the meter counts as silent.
    static constexpr int kSilentAfterRequests = 3;
    // Time a command may go unanswered on an open port before the user is told where to
    // look (an idle port, with nothing asked, is not a missing meter).
    static constexpr int kNoMeterAdviceMs = 10000;
    // Time the meter has to answer the group-count request (three bytes).
    static constexpr int kCountWaitMs = 1000;
    void setNoMeterAdviceMs(int ms) { noMeterAdviceMs_ = ms; }

    explicit MeterLink(serial::CommPort& port, QObject* parent = nullptr);

    // State.
    bool deviceConnected() const { return deviceConnected_; }  // the greeting was answered
    LinkMode mode() const { return mode_; }
    void setMode(LinkMode mode) { mode_ = mode; }
    bool running() const { return running_; }  // live polling runs (not paused or stopped)
    void setRunning(bool running) { running_ = running; }
    int storedGroupCount() const { return storedGroupCount_; }  // records in the next reply
    // The command written last, which the next reply answers (the sign-off before any).
    MeterCommand lastCommand() const { return lastCommand_; }
    bool awaitingHistory() const;  // a download runs: its count or its groups are expected

    // The port: its number (COMn) and the line it runs.
    int portNumber() const { return port_.commPort(); }
    serial::LineSettings lineSettings() const;
    // Applies `line` to the port; false when the port refused it: it keeps running the line
    // it had, which lineSettings() tells, and the refusal is reported as SettingsRefused,
    // as one at an open is.
    bool setLineSettings(const serial::LineSettings& line);

    // Opens the port with its number and line settings and reports the outcome (PortOpened,
    // OpenFailed; SettingsRefused when the device would not take the line at this open).
    void OpenSerialPort();
    // Port selection: closes the port if open, renumbers it and opens it.
    void selectPort(int number);
    void SendCommand(MeterCommand code);
    void SendHandshake();
    void RequestLiveReading();
    void RequestHistory();  // group count now, stored groups 100 ms later
    void signOff();         // the closing byte; nothing is expected back
    void stopTimers();      // nothing more is sent by the link

  signals:
    // Everything that happens, in order. For one reply: state first, then its event, then
    // its data (liveReading, groupsReceived).
    void event(const protocol::LinkEvent& event);
    // The record of a live reply: the last whole record of the reply's records (one).
    void liveReading(const measure::MeterRecord& record);
    // The stored groups of a history reply, group 1 first.
    void groupsReceived(const QList<measure::MeterRecord>& groups);

  private:
    void onDataReceived();
    void HandleFrame();
    void onHistoryDeadline();
    void giveUpHistory(DownloadFailure why);  // the report stays as it was
    void onGroupsDue();
    void onPollTick();
    void resetExchange();

    serial::CommPort& port_;
    bool deviceConnected_ = false;
    LinkMode mode_ = LinkMode::None;
    bool running_ = false;
    int storedGroupCount_ = 0;
    MeterCommand lastCommand_ = MeterCommand::SignOff;
    QByteArray reply_;  // the reply being handled

    QTimer* timer2_ = nullptr;  // greeting
    QTimer* timer3_ = nullptr;  // groups request after the count
    QTimer* timer4_ = nullptr;  // live polling
    QTimer* timer5_ = nullptr;  // re-open
    QTimer* historyDeadline_ = nullptr;
    QTimer* countWait_ = nullptr;
    // Where a download stands, from the count request to the last byte of the groups.
    enum class Download { None, AwaitingCount, CountAnswered, AwaitingGroups };
    Download download_ = Download::None;
    bool groupsDue_ = false;    // the groups request waits for a late count
    bool discardLate_ = false;  // a given-up reply's late bytes are not a reply
    int unansweredLive_ = 0;    // live requests in a row without a reply
    bool silent_ = false;
    QElapsedTimer unansweredSince_;  // from the first command since the last reply
    bool noMeterAdvised_ = false;
    int noMeterAdviceMs_ = kNoMeterAdviceMs;
};

}  // namespace protocol
