#pragma once
// Help menu "关于软件".

#include <QString>

class QWidget;

namespace output {

class MessageSink;

// "dererovuvovV1.1(CN)", CR, "   如需帮助请联系我们!", CR: single carriage returns, one at
// the end too.
QString aboutText();
QString aboutTitle();

// Shows the about box (information icon, OK) over `window`.
void mnuaboutus_Click(QWidget* window, MessageSink& messages);

}  // namespace output
