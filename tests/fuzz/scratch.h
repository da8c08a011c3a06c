#pragma once
// A folder of the fuzz target's own for the files it writes each input (a log, a password
// file, a settings folder): in memory under /dev/shm where there is one, removed when the
// target ends, so long runs leave nothing behind.
#include <QString>

QString fuzzScratchDir();
