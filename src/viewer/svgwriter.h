#pragma once
// A paint device whose drawing becomes an SVG 1.1 document: what a QPainter draws on it is
// written, element by element, to a QIODevice. Lines, paths, shapes and texts stay what they
// are (texts are <text> elements, searchable and selectable), so the picture is the same one
// the window and the PNG show, on every platform and without Qt SVG.

#include <QPaintDevice>
#include <QRect>
#include <QString>
#include <memory>

class QIODevice;

namespace viewer {

class SvgPaintEngine;

class SvgWriter : public QPaintDevice {
  public:
    // The document is `viewBox.size()` pixels large and shows `viewBox` of the drawing.
    SvgWriter(QIODevice* out, const QRect& viewBox, const QString& title);
    ~SvgWriter() override;
    SvgWriter(const SvgWriter&) = delete;
    SvgWriter& operator=(const SvgWriter&) = delete;

    QPaintEngine* paintEngine() const override;

    // Empty while every byte so far reached the device (after QPainter::end(), the whole
    // document); otherwise why it did not.
    QString error() const;

    // The resolution the device reports; fonts sized in points are converted with it.
    static constexpr int kDpi = 96;

  protected:
    int metric(PaintDeviceMetric metric) const override;

  private:
    QRect viewBox_;
    std::unique_ptr<SvgPaintEngine> engine_;
};

}  // namespace viewer
