#include "output/aboutbox.h"

#include <QCoreApplication>

#include "output/messagesink.h"

namespace output {

QString AboutText() {
    return QStringLiteral("dererovuvovV1.1(CN)") + QLatin1Char('\r') +
           QCoreApplication::translate("AboutBox", "   如需帮助请联系我们!") + QLatin1Char('\r');
}

QString AboutTitle() {
    return QCoreApplication::translate("AboutBox", "欢迎使用我们公司产品");
}

void mnuaboutus_Click(QWidget* window, MessageSink& messages) {
    messages.Information(window, AboutTitle(), AboutText());
}

}  // namespace output
