#include "output/reportview.h"

#include <QMimeData>

namespace output {

bool IsEmptyMimeData(const QMimeData* data) {
    return !data || data->formats().isEmpty();
}

ReportView::ReportView(QWidget* parent) : QTextEdit(parent) {}

bool ReportView::canInsertFromMimeData(const QMimeData* source) const {
    return !IsEmptyMimeData(source) && QTextEdit::canInsertFromMimeData(source);
}

void ReportView::insertFromMimeData(const QMimeData* source) {
    if (IsEmptyMimeData(source)) return;
    QTextEdit::insertFromMimeData(source);
}

}  // namespace output
