#pragma once
// The signals that end a run from outside: Ctrl+C (SIGINT), SIGTERM from a service manager or
// kill, and SIGHUP when the terminal or the desktop session goes away. Each is turned into a
// Qt signal on the event loop, so the run ends through its own closing path (sign-off byte,
// data log synced) rather than being cut off.

#include <QObject>

namespace app {

class SignalWatch : public QObject {
    Q_OBJECT
  public:
    // Watches SIGINT, SIGTERM and SIGHUP from now on, and ignores SIGPIPE (a closed pipe is
    // an error a write reports). One watch per process.
    explicit SignalWatch(QObject* parent = nullptr);
    ~SignalWatch() override;
    bool isWatching() const { return watching_; }

  signals:
    void caught(int signalNumber);

  private:
    bool watching_ = false;
};

}  // namespace app
