#pragma once
// `leakmeter --plot LOG.csv... -o FILE`: the viewer's picture of the logs written to a file,
// without a window, for a report or a cron job.

#include "commandline.h"

namespace app {

// Draws the logs over --from .. --to (default: all of them) into cl.plotOutput. Needs a
// QGuiApplication (any platform; the offscreen one does). Exit status: 0 when written; 1, with
// the reason on stderr and no picture written, when a log cannot be read, none of the logs has
// a reading in the period, or the picture cannot be written.
int runPlot(const CommandLine& cl);

}  // namespace app
