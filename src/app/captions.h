#pragma once
// Captions written in Chinese and shown in the program's language. A control keeps the
// text it was given in the sources (and the translation context it belongs to), so that a
// change of language can show every caption again without knowing where each came from.

#include <QString>

class QObject;
class QWidget;

namespace app {

// Shows `source` translated under `context` on `object` (a label, button, group box, menu
// or menu entry) and keeps both for retranslateCaptions.
void setCaption(QObject* object, const char* context, const char* source);

// Shows every kept caption of `root`, its children and its actions again in the current
// language.
void retranslateCaptions(QObject* root);

// The caption `object` shows, without access-key marks.
QString shownCaption(const QObject* object);

// The width `widget`'s caption needs in its font (indicator, frame and margins included);
// 0 for a widget with no caption.
int captionWidth(const QWidget* widget);

}  // namespace app
