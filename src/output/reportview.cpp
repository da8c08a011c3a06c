#include "output/reportview.h"

#include <QMimeData>

namespace output {

bool isEmptyMimeData(const QMimeData* data) {
    return !data || data->formats().isEmpty();
}

ReportView::ReportView(QWidget* parent) : QTextEdit(parent) {}

bool ReportView::canInsertFromMimeData(const QMimeData* source) const {
    return !isEmptyMimeData(source) && QTextEdit::canInsertFromMimeData(source);
}

void ReportView::insertFromMimeData(const QMimeData* source) {
    if (isEmptyMimeData(source)) return;
    QTextEdit::insertFromMimeData(source);
}

}  // namespace output
