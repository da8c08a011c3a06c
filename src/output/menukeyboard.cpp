#include "output/menukeyboard.h"

#include <QAction>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QPointer>

namespace output {

namespace {

// A text box asks to keep a key with a ShortcutOverride event before the window's
// shortcuts are tried; an accelerator of the window is refused here.
class AcceleratorFilter : public QObject {
    Q_OBJECT
  public:
    AcceleratorFilter(QWidget* box, QWidget* window) : QObject(box), window_(window) {}

    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::ShortcutOverride || !window_) return false;
        const QKeySequence pressed(static_cast<QKeyEvent*>(event)->keyCombination());
        for (const QAction* action : window_->actions()) {
            if (!action->isEnabled() || !action->shortcuts().contains(pressed)) continue;
            event->ignore();
            return true;
        }
        return false;
    }

  private:
    QPointer<QWidget> window_;
};

class SelectionKeeper : public QObject {
    Q_OBJECT
  public:
    explicit SelectionKeeper(QLineEdit* box) : QObject(box), box_(box) {}

    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::FocusOut && event->type() != QEvent::FocusIn) return false;
        if (static_cast<QFocusEvent*>(event)->reason() != Qt::MenuBarFocusReason) return false;
        if (event->type() == QEvent::FocusOut) {
            // Seen before the box deselects.
            text_ = box_->text();
            start_ = box_->selectionStart();
            length_ = box_->selectionLength();
            caretAtStart_ = box_->cursorPosition() == start_;
        } else if (start_ >= 0 && length_ > 0 && box_->text() == text_) {
            // The selection is given back with the caret where it was.
            if (caretAtStart_)
                box_->setSelection(start_ + length_, -length_);
            else
                box_->setSelection(start_, length_);
            start_ = -1;
        }
        return false;
    }

  private:
    QLineEdit* box_;
    QString text_;
    int start_ = -1;
    int length_ = 0;
    bool caretAtStart_ = false;
};

}  // namespace

void giveAcceleratorsToWindow(QWidget* box, QWidget* window) {
    box->installEventFilter(new AcceleratorFilter(box, window));
}

void keepSelectionThroughMenuBar(QLineEdit* box) {
    box->installEventFilter(new SelectionKeeper(box));
}

}  // namespace output

#include "menukeyboard.moc"
