#include <QApplication>
#include <QCoreApplication>
#include <QGroupBox>
#include <QGuiApplication>
#include <QStringList>
#include <QSysInfo>
#include <climits>
#include <cstdio>

#include "commandline.h"
#include "displaycheck.h"
#include "form2.h"
#include "headless.h"
#include "language.h"
#include "output/dialoglanguage.h"
#include "plotcommand.h"
#include "portsetup.h"
#include "porttexts.h"
#include "qtnotices.h"
#include "serial/portmemory.h"
#include "signalwatch.h"

namespace {

void printMessages(const QStringList& lines) {
    for (const QString& line : lines) std::fprintf(stderr, "%s\n", qPrintable(line));
}

// The window-system platform Qt will be asked for: "-platform NAME" or QT_QPA_PLATFORM.
QString requestedPlatform(const QStringList& arguments) {
    const qsizetype i = arguments.indexOf(QStringLiteral("-platform"));
    if (i > 0 && i + 1 < arguments.size()) return arguments[i + 1];
    return qEnvironmentVariable("QT_QPA_PLATFORM");
}

// The broker settings of this run (nullopt: nothing is published) from the command line, the
// settings file and the environment. 0, or the exit status when they are wrong (2: a wrong
// value, 1: a password file that cannot be read); the reason is in *error.
int mqttSettingsFor(const app::CommandLine& cl, const QString& device,
                    std::optional<publish::MqttSettings>* settings, QString* error) {
    publish::SettingsFault fault = publish::SettingsFault::None;
    *settings = publish::resolveMqttSettings(cl.mqtt, serial::storedSection(QStringLiteral("mqtt")),
                                             qEnvironmentVariable("LEAKMETER_MQTT_PASSWORD"),
                                             QSysInfo::machineHostName(), device, error, &fault);
    if (*settings) (*settings)->softwareVersion = app::versionText();
    return fault == publish::SettingsFault::None         ? 0
           : fault == publish::SettingsFault::WrongValue ? 2
                                                         : 1;
}

}  // namespace

int main(int argc, char* argv[]) {
    app::QuietenQtNotices();
    // The options are read before any window system is needed, so --help, --version,
    // --list-ports, --forget-ports and a wrong option work on a machine without a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    // The broker may be named in the settings file instead of by --mqtt.
    const app::CommandLine cl = app::parseCommandLine(
        arguments, serial::storedSection(QStringLiteral("mqtt")).value(QStringLiteral("url")));
    if (cl.showHelp) {
        std::fputs(qPrintable(app::usageText()), stdout);
        return 0;
    }
    if (!cl.error.isEmpty()) {
        std::fputs(app::usageErrorText(cl.error).toLocal8Bit().constData(), stderr);
        return 2;
    }
    if (cl.showVersion) {
        std::printf("%s\n", qPrintable(app::versionText()));
        return 0;
    }
    if (cl.listPorts || cl.forgetPorts) {
        QCoreApplication core(argc, argv);
        QString listing;
        QStringList messages;
        const int status = app::runPortCommands(cl, &listing, &messages);
        printMessages(messages);
        std::fputs(listing.toLocal8Bit().constData(), stdout);
        return status;
    }

    if (!cl.plotPaths.isEmpty()) {
        // The picture is drawn off screen: no display is needed, and none is opened.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication gui(argc, argv);
        return app::runPlot(cl);
    }

    if (cl.headless) {  // also set by --history
        // No window system at all: the logger runs on a machine without a screen.
        QCoreApplication core(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("leakmeter"));
        QStringList messages;
        app::HeadlessOptions options;
        app::MonitorOptions& run = options.monitor;
        run.ports = app::resolvePorts(cl, &messages);
        run.portNumber = app::headlessPortNumber(cl, run.ports);
        // The first line says which port the run reads; then how it was found.
        app::printStampedLine(
            QStringLiteral("leakmeter: reading the meter on %1")
                .arg(app::portAndDevice(run.portNumber, run.ports.deviceFor(run.portNumber))));
        for (const QString& line : messages) app::printStampedLine(line);
        options.logPath = cl.logPath;
        options.durationSec = cl.durationSec;
        if (cl.count) options.count = int(qMin<qint64>(*cl.count, INT_MAX));
        options.historyPath = cl.historyPath;
        QString error;
        if (const int status =
                mqttSettingsFor(cl, run.ports.deviceFor(run.portNumber), &run.mqtt, &error)) {
            app::printStampedLine(QStringLiteral("leakmeter: ") + error);
            return status;
        }
        run.watch = app::watchOptionsFor(cl, run.mqtt ? run.mqtt->meterId : QString());
        // The report text of --history speaks the window's language.
        if (!cl.historyPath.isEmpty()) app::useLanguage(app::startLanguage(cl.language));
        return app::runHeadless(options);
    }

    if (!app::displayAvailable(requestedPlatform(arguments),
                               [](const char* name) { return qEnvironmentVariable(name); })) {
        std::fprintf(stderr, "%s\n", qPrintable(app::noDisplayText()));
        return 1;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("leakmeter"));
    // The window's language; Qt's own dialogs and buttons speak it too.
    const app::Language language = app::startLanguage(cl.language);
    app::useLanguage(language);
    if (language == app::Language::Chinese && output::installQtChineseTranslations().isEmpty())
        std::fputs(
            "leakmeter: Qt's Chinese translations (qt_zh_CN.qm) were not found; the "
            "standard dialogs stay in English\n",
            stderr);
    QStringList messages;
    app::MonitorOptions run(app::resolvePorts(cl, &messages), app::windowPortNumber(cl));
    printMessages(messages);
    QString error;
    if (const int status =
            mqttSettingsFor(cl, run.ports.deviceFor(run.portNumber), &run.mqtt, &error)) {
        std::fprintf(stderr, "leakmeter: %s\n", qPrintable(error));
        return status;
    }
    run.watch = app::watchOptionsFor(cl, run.mqtt ? run.mqtt->meterId : QString());
    app::Form2 window(run);
    // Readings published to a broker: its state is the tooltip of the communication-status
    // frame; the status line stays the meter's.
    if (!window.StartPublishing(&error)) {
        std::fprintf(stderr, "leakmeter: %s\n", qPrintable(error));
        return 1;
    }
    // Ctrl+C, SIGTERM and the end of the desktop session (SIGHUP) close the window as its
    // close button does: sign-off byte, data log synced, exit 0. A dialog left open does
    // not keep the program alive.
    app::SignalWatch endSignals;
    QObject::connect(&endSignals, &app::SignalWatch::caught, &window, [&window] {
        window.close();
        QCoreApplication::exit(0);
    });
    if (!cl.logPath.isEmpty()) window.StartDataLog(cl.logPath);
    window.show();
    const int code = QApplication::exec();
    window.WaitForAlarmCommand();
    return code;
}
