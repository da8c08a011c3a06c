#pragma once
// A group box that paints its frame once and then shows that picture again for as long as
// nothing it is drawn from has changed (size, state, palette, font, caption, style); the
// caption itself is drawn each time.
//
// The controls inside the main window's boxes repaint with the readings (the live reading, the
// lamp, the statistics), and the box under them is painted each time too. Drawn afresh, the
// style lays out the caption and loads its frame image, whose cache key asks the time zone for
// the image's date: two looks at the time-zone file for every repaint of a control inside a box.

#include <QFont>
#include <QGroupBox>
#include <QPixmap>
#include <QStyleOptionGroupBox>

class QStyle;

namespace app {

class FramePanel : public QGroupBox {
    Q_OBJECT
  public:
    using QGroupBox::QGroupBox;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    bool pictureFits(const QStyleOptionGroupBox& option) const;

    QPixmap picture_;
    QStyleOptionGroupBox pictureOption_;
    QFont pictureFont_;
    const QStyle* pictureStyle_ = nullptr;
};

}  // namespace app
