#pragma once
// Saving a file whole or not at all: the report view's text, the chart image and the
// downloaded stored groups all go through one writer.
//
// The bytes are written to a temporary file beside the target, synced to the disk, and only
// then renamed over the target, so an existing file is either replaced whole or left as it
// was. A write that fails at any point (folder missing or not writable, disk full, a quota)
// removes the temporary file and says why in the system's words.
//
// The report file holds the text exactly: UTF-8 without byte-order mark, the CR LF line
// breaks the text contains, nothing added at the end (an empty text gives an empty file).

#include <QByteArray>
#include <QString>

namespace measure {

// Writes `bytes` to `path`, replacing an existing file (its permissions are kept; a symbolic
// link is followed, and the file it names is replaced). On failure returns false, puts
// "cannot write PATH: REASON" into *error when given, and leaves any existing file untouched
// and no temporary file behind.
bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr);

// The report file's text for the report view's plain text: every line break as CR LF,
// nothing added at the end. The view hands its paragraph breaks back as "\n" (CR LF in the
// text it was given became paragraph breaks), so each "\n", "\r\n" or lone "\r" becomes
// CR LF.
QString reportFileText(const QString& plainText);

// The report text as its file: `text` as UTF-8, through writeFileAtomically.
bool writeReportFile(const QString& path, const QString& text, QString* error = nullptr);

}  // namespace measure
