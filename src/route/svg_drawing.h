#pragma once

#include <QByteArray>
#include <QPaintDevice>
#include <QSize>
#include <QString>
#include <memory>

namespace amb::route {

class SvgPaintEngine;

// A paint device that keeps what a QPainter draws on it as an SVG document: shapes
// become <path> elements with the pen and brush in force, text becomes <text>
// elements (so the labels stay text), pictures become embedded PNGs. One unit is one
// pixel at 96 dots per inch, as SVG viewers take it. Gradients and patterns are
// drawn in their first colour.
class SvgDrawing : public QPaintDevice {
public:
    SvgDrawing(QSize size, QString title, QString description);
    ~SvgDrawing() override;
    SvgDrawing(const SvgDrawing&) = delete;
    SvgDrawing& operator=(const SvgDrawing&) = delete;

    QPaintEngine* paintEngine() const override;

    // The whole document, valid once the painter has ended.
    QByteArray document() const;

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    QSize size_;
    QString title_;
    QString description_;
    std::unique_ptr<SvgPaintEngine> engine_;
};

} // namespace amb::route
