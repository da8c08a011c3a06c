#pragma once
// Saving the report view's text as a plain-text file.
//
// The file holds the text exactly: UTF-8 without byte-order mark, the CR LF line breaks the
// text contains, nothing added at the end (an empty text gives an empty file). The text is
// written to a temporary file beside the target and renamed over it only when complete, so an
// existing file is either replaced whole or left as it was.

#include <QString>

namespace measure {

// Writes `text` to `path`, replacing an existing file. On failure (folder missing or not
// writable, disk full, ...) returns false, puts a description into *error when given, and
// leaves any existing file untouched.
bool WriteReportFile(const QString& path, const QString& text, QString* error = nullptr);

}  // namespace measure
