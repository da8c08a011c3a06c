#pragma once
// From the command line to the port map a run uses, before the link starts: probes for
// the meter where --port COMn=auto asks for it, falls back to the remembered mapping
// when no --port is given, and remembers what was given or found. Serves the window
// and the headless run alike; needs a QCoreApplication, no display.

#include <QString>
#include <QStringList>

#include "commandline.h"
#include "serial/portdiscovery.h"
#include "serial/portmap.h"
#include "serial/serialsettings.h"

namespace app {

// The port map for this run. `messages` receives one line per thing the user should
// know (which device answered, that none did, that a remembered mapping is used, that
// it could not be stored); main() prints them on stderr. `line` is the line setting
// the probe greets at (the start-up default 9600,N,8,1 unless told otherwise), and
// `timeoutMs` how long each device has to answer.
serial::PortMap resolvePorts(const CommandLine& cl, QStringList* messages,
                             const serial::LineSettings& line = {},
                             int timeoutMs = serial::kProbeTimeoutMs);

// The map --list-ports shows the ports under: the --port mappings given, else the
// remembered ones.
serial::PortMap listingPortMap(const CommandLine& cl);

// --forget-ports and --list-ports, in that order: `out` receives the listing, `messages`
// one line per message. Returns the exit status (0, or 1 when the remembered mapping
// could not be cleared).
int runPortCommands(const CommandLine& cl, QString* out, QStringList* messages);

}  // namespace app
