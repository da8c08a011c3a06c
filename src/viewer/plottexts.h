#pragma once
// The words of the picture: the title line (the logs, the meter, the period shown). Written in
// Chinese, the program's own language; English comes from the translation.

#include <QCoreApplication>
#include <QString>
#include <QStringList>

namespace viewer {

// The context the picture's texts are translated in.
class PlotTexts {
    Q_DECLARE_TR_FUNCTIONS(viewer::PlotTexts)
};

// The meter a log's path names, or empty. The logger keeps each meter's logs in a state folder
// named by the meter's escaped device path ("dev-ttyUSB0", "dev-serial-by\x2did-usb-…"): the
// device's name, "ttyUSB0". A file named NAME-20261210.csv (or NAME_20261210…) names NAME,
// unless NAME is the logger's own "readings".
QString meterFromPath(const QString& path);

// The period [t0, t1) in local time: "2026-12-10 01:05 – 01:06:30", the date said once when
// both ends fall on one day, seconds only where either end has any.
QString periodText(qint64 t0, qint64 t1);

// A length of time as a gap's label says it: "1 分 30 秒", "2 小时 5 分" (whole seconds).
QString durationText(qint64 ms);

// A trace's name in the legend and the cursor's reading: the meters its logs' paths name, else
// the logs' names (the first and the last of more than two).
QString traceName(const QStringList& paths);

// The title line: the logs' names (the first and the last of more than three), the meter
// (`meterId`, else those the paths name), the period shown.
QString plotTitle(const QStringList& paths, const QString& meterId, qint64 t0, qint64 t1);

}  // namespace viewer
