#include <QApplication>
#include <QStringList>
#include <cstdio>

#include "commandline.h"
#include "form2.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("leakmeter"));

    const app::CommandLine cl = app::ParseCommandLine(QApplication::arguments());
    if (cl.showHelp) {
        std::fputs(qPrintable(app::UsageText()), stdout);
        return 0;
    }
    if (!cl.error.isEmpty()) {
        std::fprintf(stderr, "leakmeter: %s\n\n%s", qPrintable(cl.error),
                     qPrintable(app::UsageText()));
        return 2;
    }

    app::Form2 window(cl.ports);
    window.show();
    return QApplication::exec();
}
