#include "output/editcommands.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextEdit>

#include "output/reportview.h"

namespace output {

namespace {

enum class Edit { Cut, Copy, Paste, Delete, Undo };

// Press and release of one key, delivered straight to `target`.
void sendKey(QWidget* target, int key, Qt::KeyboardModifiers modifiers) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers);
    QCoreApplication::sendEvent(target, &release);
}

void page(QTextEdit* report, int key) {
    if (!report || !report->isVisible() || !report->isEnabled()) return;
    report->setFocus(Qt::OtherFocusReason);
    sendKey(report, key, Qt::NoModifier);
}

void deleteForward(QTextCursor cursor) {
    if (cursor.hasSelection())
        cursor.removeSelectedText();
    else
        cursor.deleteChar();
}

// QTextEdit and QPlainTextEdit share these steps but no base class that has them.
template <typename Editor>
void editText(Editor* editor, Edit edit) {
    if (edit == Edit::Copy) {
        editor->copy();
        return;
    }
    if (editor->isReadOnly()) return;
    switch (edit) {
        case Edit::Cut:
            editor->cut();
            break;
        case Edit::Paste:
            // Qt's text views do not survive inserting an empty clipboard.
            if (!isEmptyMimeData(QApplication::clipboard()->mimeData())) editor->paste();
            break;
        case Edit::Undo:
            editor->undo();
            break;
        case Edit::Delete: {
            QTextCursor cursor = editor->textCursor();
            deleteForward(cursor);
            editor->setTextCursor(cursor);
            break;
        }
        case Edit::Copy:
            break;
    }
}

void editLine(QLineEdit* line, Edit edit) {
    if (edit == Edit::Copy) {
        line->copy();  // does nothing for password boxes
        return;
    }
    if (line->isReadOnly()) return;
    switch (edit) {
        case Edit::Cut:
            line->cut();
            break;
        case Edit::Paste:
            line->paste();
            break;
        case Edit::Undo:
            line->undo();
            break;
        case Edit::Delete:
            line->del();
            break;
        case Edit::Copy:
            break;
    }
}

void editFocused(Edit edit) {
    QWidget* focus = QApplication::focusWidget();
    if (!focus) return;
    if (auto* text = qobject_cast<QTextEdit*>(focus)) return editText(text, edit);
    if (auto* plain = qobject_cast<QPlainTextEdit*>(focus)) return editText(plain, edit);
    if (auto* line = qobject_cast<QLineEdit*>(focus)) return editLine(line, edit);
    // Spin boxes, editable combo boxes and the like handle the keys themselves.
    switch (edit) {
        case Edit::Cut:
            sendKey(focus, Qt::Key_X, Qt::ControlModifier);
            break;
        case Edit::Copy:
            sendKey(focus, Qt::Key_C, Qt::ControlModifier);
            break;
        case Edit::Paste:
            sendKey(focus, Qt::Key_V, Qt::ControlModifier);
            break;
        case Edit::Delete:
            sendKey(focus, Qt::Key_Delete, Qt::NoModifier);
            break;
        case Edit::Undo:
            sendKey(focus, Qt::Key_Z, Qt::ControlModifier);
            break;
    }
}

}  // namespace

void Command7_Click(QTextEdit* report) {
    page(report, Qt::Key_PageUp);
}

void Command8_Click(QTextEdit* report) {
    page(report, Qt::Key_PageDown);
}

void mnuuppage_Click(QTextEdit* report) {
    Command7_Click(report);
}

void mnudownpage_Click(QTextEdit* report) {
    Command8_Click(report);
}

void mnux_Click() {
    editFocused(Edit::Cut);
}

void mnucopy_Click() {
    editFocused(Edit::Copy);
}

void mnupaste_Click() {
    editFocused(Edit::Paste);
}

void mnudelete_Click() {
    editFocused(Edit::Delete);
}

void mnucancel_Click() {
    editFocused(Edit::Undo);
}

}  // namespace output
