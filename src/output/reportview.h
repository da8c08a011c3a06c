#pragma once
// The report view: an editable text view that takes nothing from an empty clipboard.

#include <QTextEdit>

namespace output {

// Pasting, dropping or middle-clicking data that holds nothing leaves the text as it is.
// (The clipboard is there but empty when nothing has been copied since login; Qt's own text
// view does not survive inserting it.)
class ReportView : public QTextEdit {
    Q_OBJECT

  public:
    explicit ReportView(QWidget* parent = nullptr);

  protected:
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;
};

// True when `data` holds nothing that could be inserted (no data at all, or no formats).
bool isEmptyMimeData(const QMimeData* data);

}  // namespace output
