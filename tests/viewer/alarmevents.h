#pragma once
// Alarm events written as text for the viewer's tests.

#include <QString>
#include <QStringList>
#include <vector>

#include "viewer/logdata.h"

// Events written "150S 190E": at 150 ms a start, at 190 ms an end.
inline std::vector<viewer::AlarmEvent> Events(const QString& text) {
    std::vector<viewer::AlarmEvent> events;
    for (const QString& e : text.split(' ', Qt::SkipEmptyParts))
        events.push_back({e.chopped(1).toLongLong(), e.endsWith('S')});
    return events;
}
