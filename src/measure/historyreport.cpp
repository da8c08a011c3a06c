#include "historyreport.h"

#include "meterrecord.h"

#include <algorithm>

namespace measure {

QString ReportHeader() {
    return QString(30, u' ') + QStringLiteral("高精度钳形漏电流表测试数据") +
           QStringLiteral("\r\n\r\n") + QString(29, u' ') + QStringLiteral("组 数") +
           QString(21, u' ') + QStringLiteral("数 值");
}

QString BuildHistoryReport(const QByteArray& reply, int storedGroupCount) {
    return BuildHistoryReport(RecordsOf(reply, storedGroupCount));
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
        report += ReportReadingText(DecodeRecord(groups[k]));
    }
    return report;
}

}  // namespace measure
