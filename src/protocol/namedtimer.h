#pragma once
// The one way the program makes its interval timers: precise, and named, so that the
// window's timers and the link's can be found by their object names.

class QObject;
class QTimer;

namespace protocol {

// A precise timer with an object name, a child of `parent`, started when `running`.
QTimer* newNamedTimer(QObject* parent, const char* name, int intervalMs, bool running);

}  // namespace protocol
