#pragma once
// The folder every save dialog proposes, and the name it proposes.

#include <QString>

namespace output {

// Proposed file name of every save dialog (no folder, no extension).
inline constexpr char kDefaultFileName[] = "Zentravolix";

// "c:\Zentravolix" on Windows; a folder "Zentravolix" in the user's home elsewhere.
QString outputFolder();

// Creates the output folder if it does not exist yet. False when it is missing and could
// not be created; the save dialogs still open then, in whatever folder the platform picks.
bool ensureOutputFolder();

}  // namespace output
