#pragma once
// The logger without a screen: the same conversation with the meter as the window (greeting
// every 500 ms until answered, a live request every 500 ms, the port re-opened every second
// after an unplug, the sign-off byte on exit), with the readings on stdout or in a data log,
// and messages on stderr. Or, with a history file, one download of the stored groups.

#include <QDateTime>
#include <QString>
#include <optional>

#include "publish/mqttsettings.h"
#include "livewatch.h"
#include "serial/portmap.h"

namespace app {

struct HeadlessOptions {
    serial::PortMap ports;
    int portNumber = 1;                 // the COMn the run reads
    QString logPath;                    // CSV data log; "-" is stdout; empty: readable lines
    std::optional<double> durationSec;  // ends the run after this long
    std::optional<int> count;           // ends the run after this many readings
    QString historyPath;                // download the stored groups into this file and end
    std::optional<publish::MqttSettings> mqtt;  // publish the live readings to this broker
    WatchOptions watch;                 // alarms, their command, interval rows
};

// Exit codes of a headless run. A download ended by a signal exits 128 + the signal's
// number, as a shell reports a program the signal killed; a logger ended by one exits 0.
inline constexpr int kHeadlessOk = 0;
inline constexpr int kHeadlessFailed = 1;

// Runs until a signal (SIGINT, SIGTERM, SIGHUP), the duration or the count ends the run, or
// the history download is written or has failed. Needs a QCoreApplication; returns the exit
// code.
int RunHeadless(const HeadlessOptions& options);

// Text of one reading line on stdout: "2026-12-08 17:31:02.517  -42mA".
QString ReadingLine(const QDateTime& time, const QString& reading);

// Prints `line` ("leakmeter: ...") on stderr after the local time, as every stderr line of
// a headless run is: "2026-12-08 17:31:02.517  leakmeter: ...".
void PrintStampedLine(const QString& line);

}  // namespace app
