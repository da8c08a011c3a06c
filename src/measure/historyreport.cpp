#include "historyreport.h"

#include <QCoreApplication>

#include "meterrecord.h"

#include <algorithm>

namespace measure {

QString reportTitleLine() {
    return QString(30, u' ') +
           QCoreApplication::translate("HistoryReport", "高精度钳形漏电流表测试数据");
}

QString ReportHeader() {
    // The English column titles take as many columns as the Chinese ones ("组 数" and
    // "Group" both five), so the readings line up under their title in either language.
    return reportTitleLine() + QStringLiteral("\r\n\r\n") + QString(29, u' ') +
           QCoreApplication::translate("HistoryReport", "组 数") + QString(21, u' ') +
           QCoreApplication::translate("HistoryReport", "数 值");
}

QString BuildHistoryReport(const QByteArray& reply, int storedGroupCount) {
    return BuildHistoryReport(recordsOf(reply, storedGroupCount));
}

QString BuildHistoryReport(const QList<MeterRecord>& groups) {
    const int count = int(groups.size());
    QString report = ReportHeader();
    report.reserve(report.size() + count * 72);
    const QString indent(30, u' ');
    const QString gap(22, u' ');
    for (int k = 0; k < count; ++k) {
        report += QStringLiteral("\r\n");
        report += indent;
        report += QStringLiteral("%1").arg(k + 1, 3, 10, QLatin1Char('0'));
        report += gap;
        report += reportReadingText(decodeRecord(groups[k]));
    }
    return report;
}

}  // namespace measure
