#include "output/aboutbox.h"

#include <QCoreApplication>

#include "output/messagesink.h"

namespace output {

QString aboutText() {
    return QStringLiteral("dererovuvovV1.1(CN)") + QLatin1Char('\r') +
           QCoreApplication::translate("AboutBox", "   如需帮助请联系我们!") + QLatin1Char('\r');
}

QString aboutTitle() {
    return QCoreApplication::translate("AboutBox", "欢迎使用我们公司产品");
}

void mnuaboutus_Click(QWidget* window, MessageSink& messages) {
    messages.information(window, aboutTitle(), aboutText());
}

}  // namespace output
