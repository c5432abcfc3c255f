#include "route/svg_drawing.h"

#include <QPainter>
#include <QPainterPath>
#include <QTest>
#include <QXmlStreamReader>
#include <functional>

using namespace amb::route;

namespace {

using Drawing = std::function<void(QPainter&)>;

QByteArray drawn(const Drawing& draw, const QString& description = {}) {
    SvgDrawing svg(QSize(200, 100), QStringLiteral("Trip map"), description);
    QPainter painter(&svg);
    draw(painter);
    painter.end();
    return svg.document();
}

// The document's elements of the named kinds in order, each with its text and
// those of its attributes that carry place and style: "path d=M0 0L4 0;fill=none"
// or "text Paris;x=1;y=2". A document that does not parse gives its error.
QStringList elements(const QByteArray& document, const QStringList& names) {
    static const QMap<QString, QStringList> kept{
        {QStringLiteral("svg"),
         {QStringLiteral("width"), QStringLiteral("height"), QStringLiteral("viewBox")}},
        {QStringLiteral("desc"), {}},
        {QStringLiteral("path"),
         {QStringLiteral("d"), QStringLiteral("fill"), QStringLiteral("fill-rule"),
          QStringLiteral("stroke"), QStringLiteral("stroke-width"),
          QStringLiteral("fill-opacity")}},
        {QStringLiteral("text"),
         {QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("font-size"),
          QStringLiteral("font-weight"), QStringLiteral("fill")}}};
    QStringList found;
    QXmlStreamReader xml(document);
    while (!xml.atEnd()) {
        const QString name =
            xml.readNext() == QXmlStreamReader::StartElement ? xml.name().toString() : QString();
        if (!names.contains(name))
            continue;
        const QXmlStreamAttributes attributes = xml.attributes();
        if (name == u"text" &&
            !attributes.value(QLatin1String("font-family")).endsWith(u"sans-serif"))
            return {QStringLiteral("text in another font")};
        QStringList shown;
        if (name == u"text" || name == u"desc")
            shown << xml.readElementText();
        for (const QString& attribute : kept.value(name))
            if (!attributes.value(attribute).isEmpty())
                shown << attribute + QLatin1Char('=') + attributes.value(attribute).toString();
        found << name + QLatin1Char(' ') + shown.join(u';');
    }
    if (xml.hasError())
        return {xml.errorString(), QString::fromUtf8(document)};
    return found;
}

} // namespace

class TestSvgDrawing : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // What a viewer needs to place and size the drawing, and the texts that would
    // otherwise break the document.
    void document_data();
    void document();
    // Each shape keeps the pen, brush, fill rule and transform it was drawn with;
    // text stays text, in its font, colour and place.
    void drawing_data();
    void drawing();
};

void TestSvgDrawing::document_data() {
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("description");
    QTest::newRow("plain") << QStringLiteral("Paris") << QStringLiteral("Total: 3 km");
    QTest::newRow("markup characters")
        << QStringLiteral("A & B <c> \"d\" 'e'") << QStringLiteral("<desc> & </svg>");
    QTest::newRow("control characters") << QStringLiteral("Bad\x01name\x1f")
                                        << QStringLiteral("line\x0b"
                                                          "break");
    QTest::newRow("accents and scripts")
        << QStringLiteral("Zürich, Ελλάδα, 東京") << QStringLiteral("Total: 1,5 km");
}

void TestSvgDrawing::document() {
    QFETCH(QString, label);
    QFETCH(QString, description);
    const QByteArray svg = drawn(
        [&](QPainter& p) {
            p.setFont(QFont(QStringLiteral("sans-serif"), 10));
            p.drawText(QPointF(10, 20), label);
        },
        description);

    auto withoutControls = [](QString text) {
        text.removeIf([](QChar c) { return c.unicode() < 0x20; });
        return text;
    };
    QCOMPARE(elements(svg, {QStringLiteral("svg"), QStringLiteral("desc")}),
             (QStringList{QStringLiteral("svg width=200;height=100;viewBox=0 0 200 100"),
                          QStringLiteral("desc ") + withoutControls(description)}));
    // Runs in other fonts (another script) come as <text> elements of their own.
    QString texts;
    for (const QString& text : elements(svg, {QStringLiteral("text")}))
        texts += text.mid(5).section(QLatin1Char(';'), 0, 0);
    QCOMPARE(texts, withoutControls(label));
}

void TestSvgDrawing::drawing_data() {
    QTest::addColumn<Drawing>("draw");
    QTest::addColumn<QStringList>("elements");

    QTest::newRow("polyline: stroked, never filled")
        << Drawing([](QPainter& p) {
               p.setPen(QPen(QColor(0xc0, 0x26, 0x26), 2.5));
               p.setBrush(Qt::red);
               p.drawPolyline(QPolygonF({{0, 0}, {10, 5}, {20, 0}}));
           })
        << QStringList{
               QStringLiteral("path d=M0 0L10 5L20 0;fill=none;stroke=#c02626;stroke-width=2.5")};
    QTest::newRow("filled path, no pen, half transparent")
        << Drawing([](QPainter& p) {
               p.setPen(Qt::NoPen);
               p.setBrush(QColor(0, 0, 255, 128));
               QPainterPath path(QPointF(1, 1));
               path.lineTo(9, 1);
               path.lineTo(9, 9);
               path.closeSubpath();
               p.drawPath(path);
           })
        << QStringList{QStringLiteral(
               "path d=M1 1L9 1L9 9L1 1;fill=#0000ff;fill-rule=evenodd;fill-opacity=0.5")};
    QTest::newRow("winding polygon")
        << Drawing([](QPainter& p) {
               p.setPen(QPen(Qt::black, 0));
               p.setBrush(Qt::green);
               p.drawPolygon(QPolygonF({{0, 0}, {4, 0}, {4, 4}}), Qt::WindingFill);
           })
        << QStringList{
               QStringLiteral("path d=M0 0L4 0L4 4L0 "
                              "0;fill=#00ff00;fill-rule=nonzero;stroke=#000000;stroke-width=1")};
    QTest::newRow("moved and scaled")
        << Drawing([](QPainter& p) {
               p.setPen(QPen(Qt::blue, 1));
               p.translate(100, 50);
               p.scale(2, 2);
               p.drawLine(QPointF(0, 0), QPointF(10, -5));
           })
        << QStringList{
               QStringLiteral("path d=M100 50L120 40;fill=none;stroke=#0000ff;stroke-width=1")};
    QTest::newRow("nothing to see") << Drawing([](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(0, 0, 5, 5));
    }) << QStringList();
    QTest::newRow("pixel-sized bold label")
        << Drawing([](QPainter& p) {
               QFont font(QStringLiteral("sans-serif"));
               font.setPixelSize(13);
               font.setBold(true);
               p.setFont(font);
               p.setPen(QColor(0x22, 0x22, 0x22));
               p.drawText(QPointF(12.5, 40), QStringLiteral("Tokyo, Japan"));
           })
        << QStringList{QStringLiteral(
               "text Tokyo, Japan;x=12.5;y=40;font-size=13;font-weight=bold;fill=#222222")};
    QTest::newRow("point size at 96 dots per inch, moved") << Drawing([](QPainter& p) {
        p.setFont(QFont(QStringLiteral("sans-serif"), 9));
        p.translate(5, 5);
        p.drawText(QPointF(1, 2), QStringLiteral("Total"));
    }) << QStringList{QStringLiteral("text Total;x=6;y=7;font-size=12;fill=#000000")};
    QTest::newRow("no pen, no text") << Drawing([](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.drawText(QPointF(1, 2), QStringLiteral("hidden"));
    }) << QStringList();
}

void TestSvgDrawing::drawing() {
    QFETCH(Drawing, draw);
    QTEST(elements(drawn(draw), {QStringLiteral("path"), QStringLiteral("text")}), "elements");
}

QTEST_MAIN(TestSvgDrawing)
#include "tst_svg_drawing.moc"
