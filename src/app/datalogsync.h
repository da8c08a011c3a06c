#pragma once
// The data log as the engine keeps it: every row goes through here, and a tick once a second
// lets rows waiting for the disk reach it also when no reading comes, and lets the log notice a
// file moved, deleted or cut short under it.

#include <QObject>

#include "measure/datalog.h"

class QTimer;

namespace app {

class DataLogSync : public QObject {
    Q_OBJECT
  public:
    // Ticks once a second while started; the tick is the timer named "dataLogSync".
    static constexpr int kTickMs = 1000;

    DataLogSync(measure::DataLog& log, QObject* parent);

    void start();
    void stop();
    // Appends the row for `reading`; false when the log has stopped itself (failed() said so).
    bool append(const measure::Reading& reading);
    // Appends a row of the log's own kind (an interval row) for local time `time`; as append.
    bool appendRow(const QByteArray& row, const QDateTime& time);

  signals:
    // The log has stopped itself; its errorString() says why. The tick stops.
    void failed();
    // The log went on by itself (a new file where the old one was moved away): one line.
    void notice(const QString& line);

  private:
    bool said(bool written);

    measure::DataLog& log_;
    QTimer* tick_;
};

}  // namespace app
