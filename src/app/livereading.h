#pragma once
// The large live reading: its design size is 42 pt, but readings such as "-999.9mA" are
// wider than the box at that size. Each text is drawn at the largest size that keeps it
// whole inside the box, so a reading is never shown with digits cut off.

#include <QFont>
#include <QLabel>
#include <QSize>
#include <QString>

namespace app {

inline constexpr qreal kLiveReadingPointSize = 42;
inline constexpr qreal kLiveReadingMinimumPointSize = 20;

// The largest point size from maxPt down to minPt, in half points, at which `text` drawn in
// `font`, centred in a box of `box`, keeps every pixel of its glyphs inside the box with one
// pixel to spare on the left and right. minPt when even that does not fit.
qreal fittingPointSize(const QFont& font, const QString& text, QSize box, qreal maxPt, qreal minPt);

// A label that draws its text centred at its font's size when that fits, else at the
// largest size that fits (see fittingPointSize). Its own font stays as set.
class LiveReadingLabel : public QLabel {
    Q_OBJECT
  public:
    using QLabel::QLabel;
    // The font the current text is drawn in.
    QFont shownFont() const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    mutable QString fittedText_;
    mutable QFont fittedFor_;
    mutable QSize fittedSize_;
    mutable QFont fitted_;
};

}  // namespace app
