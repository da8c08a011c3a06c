#include "monitor.h"

#include "alarmhook.h"
#include "datalogsync.h"
#include "measure/alarmtracker.h"
#include "porttexts.h"
#include "protocol/meterlink.h"
#include "publish/mqttpublisher.h"
#include "serial/commport.h"

namespace app {

Monitor::Monitor(const MonitorOptions& options, QObject* parent)
    : QObject(parent),
      options_(options),
      port_(std::make_unique<serial::CommPort>()),
      link_(std::make_unique<protocol::MeterLink>(*port_, this)),
      log_(clock_),
      logSync_(new DataLogSync(log_, this)),
      watch_(new LiveWatch(this)) {
    port_->setObjectName(QStringLiteral("MSComm1"));
    port_->setPortMap(options.ports);
    if (options.portNumber != 1) port_->setCommPort(options.portNumber);
    connect(link_.get(), &protocol::MeterLink::liveReading, this, &Monitor::takeRecord);

    connect(logSync_, &DataLogSync::failed, this, &Monitor::logFailed);
    connect(logSync_, &DataLogSync::notice, this, &Monitor::notice);

    const WatchOptions& w = options.watch;
    if (w.alarmMa) watch_->setAlarmThreshold(*w.alarmMa);
    watch_->setIntervalSeconds(w.intervalSec);
    log_.setHeader(w.intervalSec ? measure::intervalLogHeader() : measure::dataLogHeader());
    connect(watch_, &LiveWatch::alarm, this, &Monitor::onAlarm);
    connect(watch_, &LiveWatch::interval, this, &Monitor::onInterval);
    if (!w.onAlarm.isEmpty()) {
        hook_ = new AlarmHook(
            w.onAlarm, [this] { return meterName(); }, this);
        connect(hook_, &AlarmHook::notice, this, &Monitor::notice);
        connect(hook_, &AlarmHook::idle, this, &Monitor::alarmCommandIdle);
    }
}

Monitor::~Monitor() {
    // The link and its timers go before the port they use.
    link_.reset();
}

QString Monitor::portText() const {
    return portAndDevice(link_->portNumber(), port_->deviceName());
}

QString Monitor::meterName() const {
    return options_.watch.meterName.isEmpty() ? portText() : options_.watch.meterName;
}

void Monitor::start() {
    link_->OpenSerialPort();
    link_->SendHandshake();
}

bool Monitor::startLog(const QString& path) {
    if (!log_.start(path)) return false;
    logSync_->start();
    beginInterval();  // no row takes readings from before the log
    return true;
}

bool Monitor::stopLog() {
    if (!log_.isRunning()) return true;
    watch_->finishInterval(clock_.now());  // the interval so far is not lost
    if (!log_.isRunning()) return false;   // its row could not be written
    logSync_->stop();
    return log_.stop();
}

void Monitor::setAlarmThreshold(float thresholdMa) {
    const bool first = !watch_->alarms();
    watch_->setAlarmThreshold(thresholdMa);
    // The first threshold (typed into the window): Home Assistant learns of the alarm, "OFF".
    if (publisher_ && first) {
        publisher_->announceAlarm();
        publisher_->publishAlarm(false);
    }
}

void Monitor::beginInterval() {
    watch_->beginInterval(clock_.now());
}

bool Monitor::startPublishing(QString* error) {
    if (!options_.mqtt || publisher_) return true;
    publish::MqttSettings settings = *options_.mqtt;
    settings.alarmSensor = watch_->alarms();
    settings.intervalSensors = watch_->intervals();
    publisher_ = std::make_unique<publish::MqttPublisher>(settings);
    connect(publisher_.get(), &publish::MqttPublisher::notice, this, &Monitor::notice);
    connect(publisher_.get(), &publish::MqttPublisher::stateChanged, this,
            &Monitor::brokerStateChanged);
    if (!publisher_->start(error)) {
        publisher_.reset();
        return false;
    }
    // Availability: online while the meter answers; offline when it falls silent, its port
    // fails to open or is lost.
    publish::MqttPublisher* p = publisher_.get();
    connect(link_.get(), &protocol::MeterLink::event, p, [p](const protocol::LinkEvent& e) {
        using namespace protocol;
        if (std::holds_alternative<HandshakeAnswered>(e) ||
            std::holds_alternative<MeterAnswersAgain>(e))
            p->setMeterAnswering(true);
        else if (std::holds_alternative<MeterSilent>(e) || std::holds_alternative<OpenFailed>(e))
            p->setMeterAnswering(false);
    });
    connect(port_.get(), &serial::CommPort::closedAfterError, p,
            [p] { p->setMeterAnswering(false); });
    // With a threshold from the start, the alarm is "OFF" until one starts.
    if (watch_->alarms()) p->publishAlarm(false);
    return true;
}

void Monitor::takeRecord(const measure::MeterRecord& record) {
    if (finished_ || (limit_ && taken_ >= *limit_)) return;
    const measure::Reading r = clock_.take(record);
    // The row is written before anything the reading may start is told.
    if (log_.isRunning() && !watch_->intervals()) logSync_->append(r);  // failed() tells
    emit reading(r);
    if (finished_) return;  // the front end ended the run
    if (publisher_) {
        publisher_->setMeterAnswering(true);
        publisher_->publishReading(r);
    }
    watch_->take(r);
    if (finished_) return;
    if (limit_ && ++taken_ >= *limit_) emit readingLimitReached();
}

void Monitor::onAlarm(const measure::AlarmEvent& e) {
    emit alarm(e);
    QString error;
    if (log_.isRunning() && !measure::appendAlarmEvent(log_.pathAt(e.time), e, &error))
        emit notice(
            QStringLiteral("cannot write the alarm events beside %1: %2").arg(log_.path(), error));
    if (hook_) hook_->run(e);
    if (publisher_) publisher_->publishAlarm(e.kind == measure::AlarmEvent::Kind::Start);
}

void Monitor::onInterval(const measure::IntervalRow& row) {
    if (log_.isRunning()) logSync_->appendRow(measure::intervalCsvRow(row), row.start);
    emit interval(row);
    if (publisher_) publisher_->publishInterval(row);
}

bool Monitor::finish() {
    if (finished_) return true;
    link_->signOff();
    link_->stopTimers();
    const QDateTime now = clock_.now();
    watch_->finishInterval(now);
    // An alarm still running ends with the run: its end row, the command and the broker.
    watch_->finishAlarm(now);
    finished_ = true;
    logSync_->stop();
    const bool logged = !log_.isRunning() || log_.stop();
    if (publisher_) publisher_->stop();  // "offline" goes out first
    port_->close();
    // The running alarm command has a few seconds more; those waiting are not run.
    if (hook_) hook_->stop();
    return logged;
}

bool Monitor::alarmCommandBusy() const {
    return hook_ && hook_->busy();
}

}  // namespace app
