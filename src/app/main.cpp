#include <QApplication>
#include <QCoreApplication>
#include <QStringList>
#include <climits>
#include <cstdio>

#include "commandline.h"
#include "form2.h"
#include "headless.h"
#include "output/dialoglanguage.h"
#include "portsetup.h"

namespace {

void PrintMessages(const QStringList& lines) {
    for (const QString& line : lines) std::fprintf(stderr, "%s\n", qPrintable(line));
}

}  // namespace

int main(int argc, char* argv[]) {
    // The options are read before any window system is needed, so --help, --version,
    // --list-ports, --forget-ports and a wrong option work on a machine without a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    const app::CommandLine cl = app::ParseCommandLine(arguments);
    if (cl.showHelp) {
        std::fputs(qPrintable(app::UsageText()), stdout);
        return 0;
    }
    if (!cl.error.isEmpty()) {
        std::fprintf(stderr, "leakmeter: %s\n\n%s", qPrintable(cl.error),
                     qPrintable(app::UsageText()));
        return 2;
    }
    if (cl.showVersion) {
        std::printf("%s\n", qPrintable(app::VersionText()));
        return 0;
    }
    if (cl.listPorts || cl.forgetPorts) {
        QCoreApplication core(argc, argv);
        QString listing;
        QStringList messages;
        const int status = app::RunPortCommands(cl, &listing, &messages);
        PrintMessages(messages);
        std::fputs(listing.toLocal8Bit().constData(), stdout);
        return status;
    }

    if (cl.headless) {  // also set by --history
        // No window system at all: the logger runs on a machine without a screen.
        QCoreApplication core(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("leakmeter"));
        QStringList messages;
        app::HeadlessOptions options;
        options.ports = app::ResolvePorts(cl, &messages);
        PrintMessages(messages);
        options.logPath = cl.logPath;
        options.durationSec = cl.durationSec;
        if (cl.count) options.count = int(qMin<qint64>(*cl.count, INT_MAX));
        options.historyPath = cl.historyPath;
        return app::RunHeadless(options);
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("leakmeter"));
    // Qt's own dialogs and buttons speak the program's language.
    if (output::InstallQtChineseTranslations().isEmpty())
        std::fputs(
            "leakmeter: Qt's Chinese translations (qt_zh_CN.qm) were not found; the "
            "standard dialogs stay in English\n",
            stderr);
    QStringList messages;
    const serial::PortMap ports = app::ResolvePorts(cl, &messages);
    PrintMessages(messages);
    app::Form2 window(ports);
    if (!cl.logPath.isEmpty()) window.StartDataLog(cl.logPath);
    window.show();
    return QApplication::exec();
}
