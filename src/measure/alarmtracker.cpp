#include "alarmtracker.h"

#include "datalog.h"

namespace measure {

std::optional<AlarmEvent> AlarmTracker::add(const Reading& reading) {
    const DecodedRecord& d = reading.decoded;
    const QDateTime& time = reading.time;
    if (d.kind == RecordKind::Error) return std::nullopt;
    const bool overload = d.kind == RecordKind::Overload;
    const std::optional<float> value = signedValueMa(d);
    // The magnitude, compared as the lamp compares the readings it keeps.
    const bool high = overload || d.recordedMa >= thresholdMa_;
    if (high == active_) {
        if (active_) {
            if (overload)
                peakOverload_ = true;
            else if (!peakMa_ || qAbs(*value) > qAbs(*peakMa_))
                peakMa_ = value;
        }
        return std::nullopt;
    }
    active_ = high;
    AlarmEvent e;
    e.time = time;
    e.valueMa = value;
    if (high) {
        e.kind = AlarmEvent::Kind::Start;
        startedAt_ = time;
        peakOverload_ = overload;
        peakMa_ = value;
    } else {
        e.kind = AlarmEvent::Kind::End;
        e.durationMs = qMax<qint64>(0, startedAt_.msecsTo(time));
    }
    if (!peakOverload_) e.peakMa = peakMa_;
    return e;
}

std::optional<AlarmEvent> AlarmTracker::finish(const QDateTime& time) {
    if (!active_) return std::nullopt;
    active_ = false;
    AlarmEvent e;
    e.kind = AlarmEvent::Kind::End;
    e.time = time;
    e.durationMs = qMax<qint64>(0, startedAt_.msecsTo(time));
    if (!peakOverload_) e.peakMa = peakMa_;
    e.atStop = true;
    return e;
}

QByteArray alarmEventsHeader() {
    return QByteArrayLiteral("time,event,value_mA,peak_mA,duration_s\r\n");
}

QByteArray alarmEventName(const AlarmEvent& event) {
    return event.kind == AlarmEvent::Kind::Start ? QByteArrayLiteral("start")
                                                 : QByteArrayLiteral("end");
}

QByteArray alarmEventRow(const AlarmEvent& event) {
    QByteArray row = isoTimeWithOffset(event.time);
    row += ',' + alarmEventName(event) + ',';
    if (event.valueMa) row += valueMaText(*event.valueMa);
    row += ',';
    if (event.peakMa) row += valueMaText(*event.peakMa);
    row += ',' + secondsText(event.durationMs) + "\r\n";
    return row;
}

QString alarmEventsPath(const QString& logPath) {
    static const QLatin1String kCsv(".csv");
    QString base = logPath;
    if (base.endsWith(kCsv, Qt::CaseInsensitive)) base.chop(kCsv.size());
    return base + QStringLiteral(".events.csv");
}

bool appendAlarmEvent(const QString& logPath, const AlarmEvent& event, QString* error) {
    // Events are few and each matters: the file is opened for the row and closed synced.
    DataLog events(DataLogClock::system(), alarmEventsHeader());
    if (events.start(alarmEventsPath(logPath)) &&
        events.appendRow(alarmEventRow(event), event.time) && events.stop())
        return true;
    *error = events.errorString();
    return false;
}

}  // namespace measure
