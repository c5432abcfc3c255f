#include "route/svg_drawing.h"

#include <QBuffer>
#include <QImage>
#include <QPaintEngine>
#include <QPainterPath>
#include <QPixmap>
#include <QTextItem>
#include <climits>
#include <cmath>

namespace amb::route {

namespace {

constexpr int kDotsPerInch = 96;

// Two decimals are far finer than a pixel and keep the file small.
QByteArray number(double value) {
    const double rounded = std::round(value * 100.0) / 100.0;
    return QByteArray::number(rounded == 0.0 ? 0.0 : rounded, 'g', 12);
}

// Text for XML: the five special characters escaped, and the control characters
// XML 1.0 forbids left out, so no label can break the document.
QByteArray escaped(const QString& text) {
    QString clean;
    clean.reserve(text.size());
    for (const QChar c : text)
        if (c.unicode() >= 0x20 || c == u'\t' || c == u'\n' || c == u'\r')
            clean += c;
    return clean.toHtmlEscaped().replace(u'\'', QStringLiteral("&apos;")).toUtf8();
}

QByteArray colour(const QColor& c) { return c.name(QColor::HexRgb).toLatin1(); }

QByteArray opacity(const char* attribute, const QColor& c) {
    if (c.alpha() == 255)
        return {};
    return QByteArray(" ") + attribute + "=\"" + number(c.alphaF()) + '"';
}

QColor brushColour(const QBrush& brush) {
    if (const QGradient* gradient = brush.gradient(); gradient && !gradient->stops().isEmpty())
        return gradient->stops().constFirst().second;
    return brush.color();
}

} // namespace

class SvgPaintEngine : public QPaintEngine {
public:
    SvgPaintEngine() : QPaintEngine(AllFeatures) {}

    bool begin(QPaintDevice*) override {
        body_.clear();
        return true;
    }
    bool end() override { return true; }
    Type type() const override { return User; }

    void updateState(const QPaintEngineState& state) override {
        const DirtyFlags dirty = state.state();
        if (dirty & DirtyPen)
            pen_ = state.pen();
        if (dirty & DirtyBrush)
            brush_ = state.brush();
        if (dirty & DirtyFont)
            font_ = state.font();
        if (dirty & DirtyTransform)
            transform_ = state.transform();
    }

    void drawPath(const QPainterPath& path) override {
        writeShape(transform_.map(path), true,
                   path.fillRule() == Qt::OddEvenFill ? "evenodd" : "nonzero");
    }

    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override {
        if (count < 1)
            return;
        QPainterPath path(points[0]);
        for (int i = 1; i < count; ++i)
            path.lineTo(points[i]);
        if (mode != PolylineMode)
            path.closeSubpath();
        writeShape(transform_.map(path), mode != PolylineMode,
                   mode == WindingMode ? "nonzero" : "evenodd");
    }

    void drawPixmap(const QRectF& target, const QPixmap& pixmap, const QRectF& source) override {
        writeImage(target, pixmap.toImage().copy(source.toRect()));
    }

    void drawImage(const QRectF& target, const QImage& image, const QRectF& source,
                   Qt::ImageConversionFlags) override {
        writeImage(target, image.copy(source.toRect()));
    }

    void drawTextItem(const QPointF& at, const QTextItem& item) override {
        const QString text = item.text();
        if (text.isEmpty() || pen_.style() == Qt::NoPen)
            return;
        const QFont font = item.font();
        const double pixels = font.pixelSize() > 0 ? font.pixelSize()
                                                   : font.pointSizeF() * kDotsPerInch / 72.0;
        const QPointF baseline = transform_.map(at);
        body_ += "<text x=\"" + number(baseline.x()) + "\" y=\"" + number(baseline.y()) +
                 "\" font-family=\"" + escaped(font.family()) + ", sans-serif\" font-size=\"" +
                 number(pixels) + '"';
        if (font.weight() >= QFont::DemiBold)
            body_ += " font-weight=\"bold\"";
        if (font.italic())
            body_ += " font-style=\"italic\"";
        body_ += " fill=\"" + colour(pen_.color()) + '"' + opacity("fill-opacity", pen_.color()) +
                 " xml:space=\"preserve\">" + escaped(text) + "</text>\n";
    }

    QByteArray body_;

private:
    void writeShape(const QPainterPath& path, bool filled, const char* fillRule) {
        if (path.isEmpty())
            return;
        const bool stroked = pen_.style() != Qt::NoPen && pen_.brush().style() != Qt::NoBrush;
        filled = filled && brush_.style() != Qt::NoBrush;
        if (!stroked && !filled)
            return;
        QByteArray d;
        for (int i = 0; i < path.elementCount(); ++i) {
            const QPainterPath::Element e = path.elementAt(i);
            if (e.isMoveTo())
                d += 'M';
            else if (e.isLineTo())
                d += 'L';
            else if (e.isCurveTo())
                d += 'C';
            else
                d += ' '; // the curve's further control points
            d += number(e.x) + ' ' + number(e.y);
        }
        body_ += "<path d=\"" + d + '"';
        if (filled)
            body_ += " fill=\"" + colour(brushColour(brush_)) + '"' +
                     opacity("fill-opacity", brushColour(brush_)) + " fill-rule=\"" + fillRule +
                     '"';
        else
            body_ += " fill=\"none\"";
        if (stroked)
            writeStroke();
        body_ += "/>\n";
    }

    void writeStroke() {
        // A zero width is a hairline: one pixel whatever the scale.
        const double width = pen_.widthF() > 0 ? pen_.widthF() : 1.0;
        const QColor c = pen_.color();
        body_ += " stroke=\"" + colour(c) + '"' + opacity("stroke-opacity", c) +
                 " stroke-width=\"" + number(width) + '"';
        switch (pen_.capStyle()) {
        case Qt::FlatCap: break; // SVG's default, butt
        case Qt::RoundCap: body_ += " stroke-linecap=\"round\""; break;
        default: body_ += " stroke-linecap=\"square\""; break;
        }
        switch (pen_.joinStyle()) {
        case Qt::RoundJoin: body_ += " stroke-linejoin=\"round\""; break;
        case Qt::BevelJoin: body_ += " stroke-linejoin=\"bevel\""; break;
        default: break; // miter, SVG's default
        }
        if (pen_.style() != Qt::SolidLine) {
            QByteArray dashes;
            for (const qreal dash : pen_.dashPattern())
                dashes += (dashes.isEmpty() ? "" : ",") + number(dash * width);
            if (!dashes.isEmpty())
                body_ += " stroke-dasharray=\"" + dashes + '"';
        }
    }

    void writeImage(const QRectF& target, const QImage& image) {
        QByteArray png;
        QBuffer buffer(&png);
        if (image.isNull() || !buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG"))
            return;
        const QRectF r = transform_.mapRect(target);
        body_ += "<image x=\"" + number(r.x()) + "\" y=\"" + number(r.y()) + "\" width=\"" +
                 number(r.width()) + "\" height=\"" + number(r.height()) +
                 "\" preserveAspectRatio=\"none\" href=\"data:image/png;base64," +
                 png.toBase64() + "\"/>\n";
    }

    QPen pen_;
    QBrush brush_;
    QFont font_;
    QTransform transform_;
};

SvgDrawing::SvgDrawing(QSize size, QString title, QString description)
    : size_(size), title_(std::move(title)), description_(std::move(description)),
      engine_(std::make_unique<SvgPaintEngine>()) {}

SvgDrawing::~SvgDrawing() = default;

QPaintEngine* SvgDrawing::paintEngine() const { return engine_.get(); }

QByteArray SvgDrawing::document() const {
    const QByteArray w = QByteArray::number(size_.width());
    const QByteArray h = QByteArray::number(size_.height());
    QByteArray svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                     "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" +
                     w + "\" height=\"" + h + "\" viewBox=\"0 0 " + w + ' ' + h + "\">\n";
    if (!title_.isEmpty())
        svg += "<title>" + escaped(title_) + "</title>\n";
    if (!description_.isEmpty())
        svg += "<desc>" + escaped(description_) + "</desc>\n";
    svg += engine_->body_;
    svg += "</svg>\n";
    return svg;
}

int SvgDrawing::metric(PaintDeviceMetric metric) const {
    switch (metric) {
    case PdmWidth: return size_.width();
    case PdmHeight: return size_.height();
    case PdmWidthMM: return qRound(size_.width() * 25.4 / kDotsPerInch);
    case PdmHeightMM: return qRound(size_.height() * 25.4 / kDotsPerInch);
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY: return kDotsPerInch;
    case PdmDepth: return 32;
    case PdmNumColors: return INT_MAX;
    case PdmDevicePixelRatio: return 1;
    case PdmDevicePixelRatioScaled: return static_cast<int>(devicePixelRatioFScale());
    default: return QPaintDevice::metric(metric);
    }
}

} // namespace amb::route
