#pragma once
// A drawing surface in the manner of a classic picture box: a user coordinate system, line and
// text drawing into a persistent image, and mouse events reported in user coordinates.

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QString>
#include <QWidget>

namespace charts {

// The top-left corner `box` must move to so that it lies inside a surface of `area`, moving it
// as little as possible; a box larger than the area keeps its left or top edge at 0.
QPoint shiftInside(const QRect& box, const QSize& area);

class DrawingSurface : public QWidget {
    Q_OBJECT
  public:
    enum DrawStyle { Solid = 0, Dotted = 2 };

    // Dotted lines: this many pixels drawn, then this many left untouched, along the major axis.
    static constexpr int kDotOn = 3;
    static constexpr int kDotOff = 3;

    explicit DrawingSurface(QWidget* parent = nullptr);

    // User coordinates: (left, top) is the top-left corner of the client area, (right, bottom)
    // the bottom-right corner. Either axis may run in either direction. Until this is called
    // the user coordinates are pixels. Nothing is redrawn.
    void scale(double left, double top, double right, double bottom);
    double scaleLeft() const { return m_left; }
    double scaleTop() const { return m_top; }
    double scaleRight() const { return m_right; }
    double scaleBottom() const { return m_bottom; }

    // Sets the background colour and clears the surface to it.
    void setBackColor(const QColor& color);
    QColor backColor() const { return m_back; }
    // Clears the surface to the background colour and puts the current position at the
    // top-left corner.
    void cls();

    void setDrawStyle(int style) { m_style = style; }
    int drawStyle() const { return m_style; }

    // One-pixel line from (x1, y1) to (x2, y2), both end points included, in user coordinates.
    // Any style other than Dotted draws solid.
    void line(double x1, double y1, double x2, double y2, const QColor& color);

    void setCurrentX(double x) { m_currentX = x; }
    void setCurrentY(double y) { m_currentY = y; }
    double currentX() const { return m_currentX; }
    double currentY() const { return m_currentY; }
    // Draws `text` in black in the widget's font with its top-left corner at the current
    // position.
    void print(const QString& text);
    // Like print, but moves the text as little as needed for all of it to lie inside the
    // surface (a caption at a cursor on the edge would otherwise be cut). The current
    // position is not changed.
    void printWithin(const QString& text);

    // What has been drawn; always the size of the widget.
    const QImage& image() const { return m_image; }

    // Continuous pixel position of a user point (0 = left/top edge of the client area).
    QPointF toPixel(double x, double y) const;
    // The pixel a user point is drawn on (may lie outside the image).
    QPoint pixelAt(double x, double y) const;
    // User position of a continuous pixel position.
    QPointF toUser(QPointF pixel) const;

  signals:
    // button: 1 left, 2 right, 4 middle (for moves: the buttons held, or-ed);
    // shift: 1 Shift, 2 Ctrl, 4 Alt (or-ed); x, y in user coordinates.
    void mouseDown(int button, int shift, double x, double y);
    void mouseMove(int button, int shift, double x, double y);
    void mouseUp(int button, int shift, double x, double y);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void syncImageSize();
    QFont textFont() const;
    // Pixels the text would cover at the current position.
    QRect textBox(const QString& text) const;
    void drawTextAt(QPoint topLeft, const QString& text);
    void requestRepaint();
    double unitsPerPixelX() const;
    double unitsPerPixelY() const;

    QImage m_image;
    QColor m_back = Qt::white;
    bool m_scaled = false;
    double m_left = 0, m_top = 0, m_right = 0, m_bottom = 0;
    double m_currentX = 0, m_currentY = 0;
    int m_style = Solid;
    bool m_repaintRequested = false;
};

}  // namespace charts
