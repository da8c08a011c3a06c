#pragma once
// The history report: the stored groups downloaded from the meter laid out as a fixed-layout
// plain-text table.
//
// The reply holds one record (see meterrecord.h) per stored group, three bytes each, group k
// (from 1) at bytes 3(k-1) .. 3(k-1)+2, in the meter's storage order; no header, no checksum.
//
// Report text, lines joined by CR LF, no line break after the last line:
//   30 blanks + "高精度钳形漏电流表测试数据"
//   (empty line)
//   29 blanks + "组 数" + 21 blanks + "数 值"
//   per group: 30 blanks + group number as three digits ("001") + 22 blanks + reading text
// The reading text is reportReadingText of the decoded record ("AC 1.23 mA", "0L", "ERROR").
// The headings are translated (context "HistoryReport") when the program speaks English.

#include <QByteArray>
#include <QList>
#include <QString>

#include "meterrecord.h"

namespace measure {

// The report's first line (the title), which the report view shows before any download.
QString reportTitleLine();
// The three heading lines the report starts with; also what the clear button leaves.
QString ReportHeader();

// The whole report for `storedGroupCount` groups. Only whole records present in the reply are
// reported: a reply that stops short yields the groups it holds and nothing beyond.
QString BuildHistoryReport(const QByteArray& reply, int storedGroupCount);
// The report of the stored groups themselves, group 1 first.
QString BuildHistoryReport(const QList<MeterRecord>& groups);

}  // namespace measure
