#include <QApplication>
#include <QStringList>
#include <cstdio>

#include "commandline.h"
#include "form2.h"
#include "output/dialoglanguage.h"

int main(int argc, char* argv[]) {
    // The options are read before any window system is needed, so --help and a wrong
    // option work on a machine without a display.
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

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("leakmeter"));
    // Qt's own dialogs and buttons speak the program's language.
    if (output::InstallQtChineseTranslations().isEmpty())
        std::fputs(
            "leakmeter: Qt's Chinese translations (qt_zh_CN.qm) were not found; the "
            "standard dialogs stay in English\n",
            stderr);
    app::Form2 window(cl.ports);
    window.show();
    return QApplication::exec();
}
