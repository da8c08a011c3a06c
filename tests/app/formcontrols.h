#pragma once
// The main window's controls, found as a user's tools find them: by their designer names.

#include <QObject>
#include <QString>
#include <QtGlobal>

template <typename T>
T* Ctl(const QObject& form, const char* name) {
    T* control = form.findChild<T*>(QLatin1String(name));
    if (!control) qFatal("the window has no %s", name);
    return control;
}
