#pragma once
// Edit menu and the history frame's paging buttons. Paging acts on the report view and
// leaves the focus there; the editing commands act on whichever control has the focus.

class QTextEdit;

namespace output {

// "上翻" / "下翻" (Command7, Command8; menu F1 / F2): focus to the report view, then one
// Page Up / Page Down press handled by the view itself, which scrolls by a visible page and
// moves the caret along. Nothing happens while the view is hidden or disabled.
void Command7_Click(QTextEdit* report);
void Command8_Click(QTextEdit* report);
void mnuuppage_Click(QTextEdit* report);
void mnudownpage_Click(QTextEdit* report);

// "剪切", "复制", "粘贴", "删除", "撤销" on the focused control, with the effect of
// Ctrl+X, Ctrl+C, Ctrl+V, Delete and Ctrl+Z there. Delete removes the selection, or the
// character after the caret, whatever modifier keys are held while the command is given
// (its shortcut is Ctrl+D). Read-only controls only copy. Controls other than line and
// text edits get the key strokes themselves.
void mnux_Click();
void mnucopy_Click();
void mnupaste_Click();
void mnudelete_Click();
void mnucancel_Click();

}  // namespace output
