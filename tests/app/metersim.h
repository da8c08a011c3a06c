#pragma once
// Runs the meter simulator on a pseudo-terminal for a test and reads its byte log.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include "serial/portmap.h"

#include <signal.h>

// A port map that puts COM1 on `device`.
inline serial::PortMap MapTo(const QString& device) {
    serial::PortMap m;
    m.addMapping(QStringLiteral("COM1=") + device);
    return m;
}

struct LoggedByte {
    double ms;  // since the simulator started
    int byte;
};

class MeterSim {
  public:
    // `link`: where the device appears; a fresh temporary path when empty.
    explicit MeterSim(const QStringList& args = {}, const QString& link = QString()) {
        link_ = link.isEmpty() ? dir_.filePath(QStringLiteral("COM1")) : link;
        log_ = dir_.filePath(QStringLiteral("meter.log"));
        proc_.setProgram(QStringLiteral(LEAKMETER_SIM_PATH));
        proc_.setArguments(QStringList{"--link", link_, "--log", log_} + args);
        proc_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        proc_.start();
        started_ = proc_.waitForStarted(5000);
        QElapsedTimer t;
        t.start();
        while (started_ && !QFileInfo::exists(link_) && t.elapsed() < 5000) QThread::msleep(5);
    }
    ~MeterSim() {
        resume();
        proc_.terminate();
        if (!proc_.waitForFinished(3000)) proc_.kill();
        proc_.waitForFinished(1000);
    }
    bool ok() const { return started_ && QFileInfo::exists(link_); }
    // Freezes the meter with its device still open (it answers nothing), and wakes it.
    void pause() { ::kill(pid_t(proc_.processId()), SIGSTOP); }
    void resume() { ::kill(pid_t(proc_.processId()), SIGCONT); }
    QString link() const { return link_; }
    QString portMapping() const { return QStringLiteral("COM1=") + link_; }

    // Every byte the program has written so far.
    QList<LoggedByte> received() const {
        QList<LoggedByte> out;
        QFile f(log_);
        if (!f.open(QIODevice::ReadOnly)) return out;
        for (const QByteArray& line : f.readAll().split('\n')) {
            const QList<QByteArray> parts = line.split(' ');
            if (parts.size() >= 3 && parts[1] == "RX")
                out.append({parts[0].toDouble(), parts[2].toInt(nullptr, 16)});
        }
        return out;
    }
    QList<double> timesOf(int byte) const {
        QList<double> t;
        for (const LoggedByte& b : received())
            if (b.byte == byte) t.append(b.ms);
        return t;
    }
    int countOf(int byte) const { return int(timesOf(byte).size()); }
    int repliesSent() const { return int(logText().count(QStringLiteral(" TX "))); }
    QString logText() const {
        QFile f(log_);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

  private:
    QTemporaryDir dir_;
    QString link_, log_;
    QProcess proc_;
    bool started_ = false;
};
