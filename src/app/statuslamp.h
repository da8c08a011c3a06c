#pragma once
// A round status lamp with a black border. Like the classic shape control it has one
// two-state display style: 1 shows its colour (lit), 0 leaves it see-through (dark).

#include <QColor>
#include <QWidget>

namespace app {

class StatusLamp : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int backStyle READ backStyle WRITE setBackStyle)
    Q_PROPERTY(QColor backColor READ backColor WRITE setBackColor)

  public:
    explicit StatusLamp(QColor color, QWidget* parent = nullptr);

    int backStyle() const { return backStyle_; }
    void setBackStyle(int style);  // 1 lit, 0 dark
    bool isLit() const { return backStyle_ == 1; }

    QColor backColor() const { return color_; }
    void setBackColor(QColor color);

  protected:
    void paintEvent(QPaintEvent*) override;

  private:
    QColor color_;
    int backStyle_ = 1;
};

}  // namespace app
