#pragma once
// What the two headless front ends (the logger, the download) share: their stderr lines about
// the port and the link, the end on a signal, and the end of the event loop.

#include <QByteArray>
#include <QCoreApplication>
#include <QObject>
#include <QString>
#include <functional>

#include "headless.h"

#include "protocol/linkevent.h"

namespace app {

// "leakmeter: TEXT" on stderr, stamped with the local time.
void say(const QString& text);
// Whole lines or rows on stdout, each flushed at once, so a reader of a pipe sees every
// reading as it comes. False when stdout is gone (a closed pipe).
bool printToStdout(const QByteArray& bytes);

// Says what both runs say about the port: an open that failed and what to do about it, a port
// lost (then `lost` is called), and of the link's events the advice, the port open and a line
// setting refused.
void sayPortProblems(Monitor& monitor, QObject* context, std::function<void()> lost);
void sayLinkEvent(const protocol::LinkEvent& event, const Monitor& monitor);

// Calls `caught` for SIGINT, SIGTERM and SIGHUP. False (said) when signals cannot be watched.
bool endOnSignals(QObject* context, std::function<void(int)> caught);

// Ends the event loop with `code` once the alarm command the run left has ended (a second
// signal does not wait for it).
void exitWhenIdle(Monitor& monitor, int code);

// Starts `run` and gives it the event loop: the run's exit code, or the loop's when that is not 0.
template <class Run>
int execRun(Run& run) {
    if (!run.start()) return kHeadlessFailed;
    const int code = QCoreApplication::exec();
    return code == 0 ? run.exitCode() : code;
}

int runLogger(const HeadlessOptions& options);
int runDownload(const HeadlessOptions& options);

}  // namespace app
