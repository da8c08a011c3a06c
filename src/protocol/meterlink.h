#pragma once
// The conversation with the meter, shared by every front end (the main window and the
// headless logger): opening and re-opening the port, the greeting repeated until the
// meter answers, live polling, the two-step history download, and the dispatch of each
// reply by the command written last. The front end owns the port and shows what this
// reports; it decides nothing about the exchange itself.
//
// Timers (children of the link, named as the window knows them):
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
// with no groups request. It also notices a meter that stops answering live requests, and a
// port on which no meter ever answers.

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include "serial/commport.h"
#include "serial/serialsettings.h"

class QTimer;

namespace protocol {

// How long a stored-groups reply of `records` records may take on a line running
// `settingsText` ("9600,N,8,1"): the time its bytes take at that speed, with start, parity
// and stop bits, plus 1 s.
int HistoryDeadlineMs(int records, const QString& settingsText);

// Why a download of the stored groups ended without its report.
enum class DownloadFailure {
    CountMissing,  // no reply to the group-count request in time
    CountGarbled,  // the group-count reply was not 05 05 n: no groups request goes out
    GroupsShort,   // the stored groups did not arrive whole by their deadline
    PortLost,      // the port closed (an unplug, a write fault) before the last byte
};

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

    // Shared state; the window shows it under the same names.
    int DeviceConnected = 0;   // 1 once the meter answered the greeting correctly
    int MonitorMode = 0;       // 1 live polling allowed, 2 history query
    int RunState = 0;          // 1 running
    int StoredGroupCount = 0;  // records in the next reply to decode
    QByteArray CommandBuffer = QByteArray(1, '\0');  // last command written
    QByteArray ReceiveBuffer;                        // last reply
    serial::SerialSettings SerialSettings;

    serial::CommPort& port() { return port_; }
    QTimer* Timer2 = nullptr;
    QTimer* Timer3 = nullptr;
    QTimer* Timer4 = nullptr;
    QTimer* Timer5 = nullptr;

    // Opens the port with its current number and settings and reports the outcome
    // (opened(), openFailed()). A line the device would not take at this open is
    // reported with settingsRefused(), and SerialSettings follows what the line runs.
    void OpenSerialPort();
    // Applies SerialSettings' line settings to the port; false when the port refused them
    // (the port keeps its previous settings).
    bool ApplySerialSettings(serial::SettingsRefusal* refusal = nullptr);
    // Port selection: closes the port if open, renumbers it and opens it.
    void SelectPort(int number);
    void SendCommand(int code);
    void SendHandshake();
    void RequestLiveReading();
    void RequestHistory();  // group count now, stored groups 100 ms later
    void SignOff();         // the closing byte; nothing is expected back
    void StopTimers();      // nothing more is sent by the link

    bool meterSilent() const { return silent_; }
    bool awaitingHistory() const;  // a download runs: its count or its groups are expected

  signals:
    // Port outcome of an open: the window's status texts and lamp follow these.
    void opened();
    void openFailed(serial::OpenResult result);
    // The line refused `refused` at open; it runs `kept`. SerialSettings already agree.
    void settingsRefused(const QString& refused, const QString& kept);

    // One handled reply, in this order: state is updated first, then the route runs,
    // then the status text is given.
    void handshakeAnswered();        // correct greeting
    void groupCountAnswered(int n);  // the meter holds n stored groups
    void unitOptionsEnabled();       // a live reply was handled
    void liveRecord();               // decode ReceiveBuffer as one live record
    void historyData();              // decode StoredGroupCount records from ReceiveBuffer
    void status(const QString& text);

    // A download ended without its report; the report stays as it was. Every cause but a
    // garbled count is also said as "接收历史数据失败" (the garbled count has its own text).
    void historyFailed(protocol::DownloadFailure why);
    // The meter stopped answering live requests (once per silence), and answered again.
    void meterFellSilent();
    void meterAnsweredAgain();
    // A line of advice for the user, for the front end to print on stderr.
    void advice(const QString& line);

  private:
    void onDataReceived();
    void HandleFrame();
    void onHistoryDeadline();
    void GiveUpHistory(DownloadFailure why);  // the report stays as it was
    void onGroupsDue();
    void onPollTick();
    void resetExchange();

    serial::CommPort& port_;
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
