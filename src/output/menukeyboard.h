#pragma once
// How the window's menus and its text boxes share the keyboard.

class QLineEdit;
class QWidget;

namespace output {

// The window's menu accelerators (its actions' shortcuts) reach the window while `box` has
// the keyboard, also for keys the box would otherwise keep for itself (Ctrl+E is "end of
// line" in a line edit on X11, Ctrl+A "select all" everywhere). Keys of disabled actions
// and all other keys stay with the box.
void giveAcceleratorsToWindow(QWidget* box, QWidget* window);

// A line edit drops its selection when the menu bar takes the keyboard (Alt+letter, F10);
// this gives the selection back when the keyboard returns, so the Edit menu's commands act
// on what was selected when the menu was opened, however it was opened.
void keepSelectionThroughMenuBar(QLineEdit* box);

}  // namespace output
