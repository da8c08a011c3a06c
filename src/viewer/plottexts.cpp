#include "viewer/plottexts.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>

namespace viewer {

namespace {

// A systemd instance name turned back into the path it escapes: "-" is "/", "\x2d" a byte.
QString unescapedInstance(const QString& name) {
    QByteArray path;
    const QByteArray bytes = name.toUtf8();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\\' && i + 3 < bytes.size() && bytes[i + 1] == 'x') {
            bool ok = false;
            const int c = bytes.mid(i + 2, 2).toInt(&ok, 16);
            if (ok) {
                path += char(c);
                i += 3;
                continue;
            }
        }
        path += bytes[i] == '-' ? '/' : bytes[i];
    }
    return QString::fromUtf8(path);
}

}  // namespace

QString meterFromPath(const QString& path) {
    const QFileInfo file(path);
    const QString folder = file.absoluteDir().dirName();
    if (folder.startsWith(QLatin1String("dev-"))) {
        const QString device = unescapedInstance(folder);
        return device.mid(device.lastIndexOf(QLatin1Char('/')) + 1);
    }
    static const QRegularExpression dated(QStringLiteral("^(.+?)[-_]\\d{8}"));
    const QRegularExpressionMatch m = dated.match(file.completeBaseName());
    if (m.hasMatch() && m.captured(1).compare(QLatin1String("readings"), Qt::CaseInsensitive) != 0)
        return m.captured(1);
    return {};
}

QString periodText(qint64 t0, qint64 t1) {
    const QDateTime a = QDateTime::fromMSecsSinceEpoch(t0), b = QDateTime::fromMSecsSinceEpoch(t1);
    const bool seconds = a.time().second() != 0 || b.time().second() != 0;
    const QString time = seconds ? QStringLiteral("HH:mm:ss") : QStringLiteral("HH:mm");
    const QString day = QStringLiteral("yyyy-MM-dd ");
    return a.toString(day + time) + QStringLiteral(" – ") +
           b.toString(a.date() == b.date() ? time : day + time);
}

QString durationText(qint64 ms) {
    const qint64 s = std::max<qint64>(0, ms / 1000), m = s / 60, h = m / 60, d = h / 24;
    if (s < 60) return PlotTexts::tr("%1 秒").arg(s);
    if (m < 60)
        return s % 60 ? PlotTexts::tr("%1 分 %2 秒").arg(m).arg(s % 60)
                      : PlotTexts::tr("%1 分").arg(m);
    if (h < 24)
        return m % 60 ? PlotTexts::tr("%1 小时 %2 分").arg(h).arg(m % 60)
                      : PlotTexts::tr("%1 小时").arg(h);
    return h % 24 ? PlotTexts::tr("%1 天 %2 小时").arg(d).arg(h % 24)
                  : PlotTexts::tr("%1 天").arg(d);
}

QString traceName(const QStringList& paths) {
    QStringList names, meters;
    for (const QString& p : paths) {
        names << QFileInfo(p).fileName();
        const QString m = meterFromPath(p);
        if (!m.isEmpty() && !meters.contains(m)) meters << m;
    }
    if (!meters.isEmpty()) return meters.join(QStringLiteral(", "));
    if (names.size() > 2) return names.front() + QStringLiteral(" … ") + names.back();
    return names.join(QStringLiteral(", "));
}

QString plotTitle(const QStringList& paths, const QString& meterId, qint64 t0, qint64 t1) {
    QStringList names, meters;
    for (const QString& p : paths) {
        names << QFileInfo(p).fileName();
        const QString m = meterFromPath(p);
        if (!m.isEmpty() && !meters.contains(m)) meters << m;
    }
    if (!meterId.isEmpty()) meters = QStringList{meterId};
    QStringList parts;
    if (names.size() > 3)
        parts << PlotTexts::tr("%1 … %2 (%3 个文件)")
                     .arg(names.front(), names.back())
                     .arg(names.size());
    else if (!names.isEmpty())
        parts << names.join(QStringLiteral(", "));
    if (!meters.isEmpty()) parts << PlotTexts::tr("仪表 %1").arg(meters.join(QStringLiteral(", ")));
    parts << periodText(t0, t1);
    return parts.join(QStringLiteral(" · "));
}

}  // namespace viewer
