#include "output/aboutbox.h"

#include "output/messagesink.h"

namespace output {

QString AboutText() {
    return QStringLiteral("dererovuvovV1.1(CN)") + QLatin1Char('\r') +
           QStringLiteral("   如需帮助请联系我们!") + QLatin1Char('\r');
}

QString AboutTitle() {
    return QStringLiteral("欢迎使用我们公司产品");
}

void mnuaboutus_Click(QWidget* window, MessageSink& messages) {
    messages.Information(window, AboutTitle(), AboutText());
}

}  // namespace output
