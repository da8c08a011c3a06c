#pragma once
// The front ends without a screen, over the same engine as the window (greeting every 500 ms
// until answered, a live request every 500 ms, the port re-opened every second after an
// unplug, the sign-off byte on exit), with messages on stderr: the logger, whose readings go to
// stdout or a data log, and the download of the stored groups into a file.

#include <QDateTime>
#include <QString>
#include <optional>

#include "monitor.h"

namespace app {

struct HeadlessOptions {
    MonitorOptions monitor;             // the port, alarms, interval rows, the broker
    QString logPath;                    // CSV data log; "-" is stdout; empty: readable lines
    std::optional<double> durationSec;  // ends the run after this long
    std::optional<int> count;           // ends the run after this many readings
    QString historyPath;                // download the stored groups into this file and end
};

// Exit codes of a headless run. A download ended by a signal exits 128 + the signal's
// number, as a shell reports a program the signal killed; a logger ended by one exits 0.
inline constexpr int kHeadlessOk = 0;
inline constexpr int kHeadlessFailed = 1;

// Runs the logger until a signal (SIGINT, SIGTERM, SIGHUP), the duration or the count ends it;
// with a history file, the download until the file is written or has failed. Needs a
// QCoreApplication; returns the exit code.
int runHeadless(const HeadlessOptions& options);

// Text of one reading line on stdout: "2026-12-08 17:31:02.517  -42mA".
QString readingLine(const QDateTime& time, const QString& reading);

// Prints `line` ("leakmeter: ...") on stderr after the local time, as every stderr line of
// a headless run is: "2026-12-08 17:31:02.517  leakmeter: ...".
void printStampedLine(const QString& line);

}  // namespace app
