#pragma once
// The requests to end the program from outside: Ctrl+C, a service manager's or kill's request
// to stop, the terminal or the desktop session going away. Each is turned into a call on the
// event loop, so the run ends through its own closing path rather than being cut off. A
// closed pipe is then an error a write reports, not the end of the program.

#include <QObject>
#include <QString>
#include <functional>

namespace platform {

// From now on, calls `onRequest(number)` on the event loop for each request, the number
// naming its kind (the signal's number). The watch lasts as long as the returned object, a
// child of `parent`; its deletion gives the requests back their default effect. nullptr when
// the requests cannot be watched, or are watched already: one watch per process.
QObject* watchEndRequests(QObject* parent, std::function<void(int number)> onRequest);

// A request's short name after "SIG", as messages name it: "TERM", "INT", "HUP"; "BREAK" for
// Windows' Ctrl+Break.
QString endRequestName(int number);

}  // namespace platform
