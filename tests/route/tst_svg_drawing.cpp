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

// The attributes of the document's elements of one kind, in order, with their texts;
// a document that does not parse gives its error instead.
struct Elements {
    QList<QXmlStreamAttributes> attributes;
    QStringList texts;
    QString error;
};

Elements elements(const QByteArray& document, const QString& name) {
    Elements found;
    QXmlStreamReader xml(document);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == name) {
            found.attributes << xml.attributes();
            found.texts << (name == u"svg" ? QString() : xml.readElementText());
        }
    }
    if (xml.hasError())
        found.error = xml.errorString() + QLatin1Char('\n') + QString::fromUtf8(document);
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
    // Each shape keeps the pen, brush, fill rule and transform it was drawn with.
    void shapes_data();
    void shapes();
    // Text stays text, in its font, colour and place.
    void texts_data();
    void texts();
};

void TestSvgDrawing::document_data() {
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("description");
    QTest::newRow("plain") << QStringLiteral("Paris") << QStringLiteral("Total: 3 km");
    QTest::newRow("markup characters")
        << QStringLiteral("A & B <c> \"d\" 'e'") << QStringLiteral("<desc> & </svg>");
    QTest::newRow("control characters")
        << QStringLiteral("Bad\x01name\x1f") << QStringLiteral("line\x0b" "break");
    QTest::newRow("accents and scripts") << QStringLiteral("Zürich, Ελλάδα, 東京")
                                         << QStringLiteral("Total: 1,5 km");
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

    const Elements root = elements(svg, QStringLiteral("svg"));
    QVERIFY2(root.error.isEmpty(), qPrintable(root.error));
    QCOMPARE(root.attributes.size(), 1);
    QCOMPARE(root.attributes.first().value(QLatin1String("width")).toString(), QStringLiteral("200"));
    QCOMPARE(root.attributes.first().value(QLatin1String("height")).toString(), QStringLiteral("100"));
    QCOMPARE(root.attributes.first().value(QLatin1String("viewBox")).toString(), QStringLiteral("0 0 200 100"));

    auto withoutControls = [](QString text) {
        text.removeIf([](QChar c) { return c.unicode() < 0x20; });
        return text;
    };
    QCOMPARE(elements(svg, QStringLiteral("desc")).texts,
             QStringList{withoutControls(description)});
    // Runs in other fonts (another script) come as <text> elements of their own.
    QCOMPARE(elements(svg, QStringLiteral("text")).texts.join(QString()), withoutControls(label));
}

void TestSvgDrawing::shapes_data() {
    QTest::addColumn<Drawing>("draw");
    QTest::addColumn<QString>("d");
    QTest::addColumn<QString>("fill");
    QTest::addColumn<QString>("fillRule");
    QTest::addColumn<QString>("stroke");
    QTest::addColumn<QString>("strokeWidth");
    QTest::addColumn<QString>("opacity"); // fill-opacity

    QTest::newRow("polyline: stroked, never filled")
        << Drawing([](QPainter& p) {
               p.setPen(QPen(QColor(0xc0, 0x26, 0x26), 2.5));
               p.setBrush(Qt::red);
               p.drawPolyline(QPolygonF({{0, 0}, {10, 5}, {20, 0}}));
           })
        << "M0 0L10 5L20 0" << "none" << "" << "#c02626" << "2.5" << "";
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
        << "M1 1L9 1L9 9L1 1" << "#0000ff" << "evenodd" << "" << "" << "0.5";
    QTest::newRow("winding polygon")
        << Drawing([](QPainter& p) {
               p.setPen(QPen(Qt::black, 0));
               p.setBrush(Qt::green);
               p.drawPolygon(QPolygonF({{0, 0}, {4, 0}, {4, 4}}), Qt::WindingFill);
           })
        << "M0 0L4 0L4 4L0 0" << "#00ff00" << "nonzero" << "#000000" << "1" << "";
    QTest::newRow("moved and scaled")
        << Drawing([](QPainter& p) {
               p.setPen(QPen(Qt::blue, 1));
               p.translate(100, 50);
               p.scale(2, 2);
               p.drawLine(QPointF(0, 0), QPointF(10, -5));
           })
        << "M100 50L120 40" << "none" << "" << "#0000ff" << "1" << "";
    QTest::newRow("nothing to see")
        << Drawing([](QPainter& p) {
               p.setPen(Qt::NoPen);
               p.setBrush(Qt::NoBrush);
               p.drawRect(QRectF(0, 0, 5, 5));
           })
        << "" << "" << "" << "" << "" << "";
}

void TestSvgDrawing::shapes() {
    QFETCH(Drawing, draw);
    QFETCH(QString, d);
    QFETCH(QString, fill);
    QFETCH(QString, fillRule);
    QFETCH(QString, stroke);
    QFETCH(QString, strokeWidth);
    QFETCH(QString, opacity);

    const Elements found = elements(drawn(draw), QStringLiteral("path"));
    QVERIFY2(found.error.isEmpty(), qPrintable(found.error));
    const QList<QXmlStreamAttributes>& paths = found.attributes;
    if (d.isEmpty()) {
        QVERIFY(paths.isEmpty());
        return;
    }
    QCOMPARE(paths.size(), 1);
    const QXmlStreamAttributes& a = paths.first();
    QCOMPARE(a.value(QLatin1String("d")).toString(), d);
    QCOMPARE(a.value(QLatin1String("fill")).toString(), fill);
    QCOMPARE(a.value(QLatin1String("fill-rule")).toString(), fillRule);
    QCOMPARE(a.value(QLatin1String("stroke")).toString(), stroke);
    QCOMPARE(a.value(QLatin1String("stroke-width")).toString(), strokeWidth);
    QCOMPARE(a.value(QLatin1String("fill-opacity")).toString(), opacity);
}

void TestSvgDrawing::texts_data() {
    QTest::addColumn<Drawing>("draw");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QString>("x");
    QTest::addColumn<QString>("y");
    QTest::addColumn<QString>("size");
    QTest::addColumn<QString>("weight");
    QTest::addColumn<QString>("fill");

    QTest::newRow("pixel-sized bold label")
        << Drawing([](QPainter& p) {
               QFont font(QStringLiteral("sans-serif"));
               font.setPixelSize(13);
               font.setBold(true);
               p.setFont(font);
               p.setPen(QColor(0x22, 0x22, 0x22));
               p.drawText(QPointF(12.5, 40), QStringLiteral("Tokyo, Japan"));
           })
        << QStringList{QStringLiteral("Tokyo, Japan")} << "12.5" << "40" << "13" << "bold"
        << "#222222";
    QTest::newRow("point size at 96 dots per inch, moved")
        << Drawing([](QPainter& p) {
               p.setFont(QFont(QStringLiteral("sans-serif"), 9));
               p.translate(5, 5);
               p.drawText(QPointF(1, 2), QStringLiteral("Total"));
           })
        << QStringList{QStringLiteral("Total")} << "6" << "7" << "12" << "" << "#000000";
    QTest::newRow("no pen, no text")
        << Drawing([](QPainter& p) {
               p.setPen(Qt::NoPen);
               p.drawText(QPointF(1, 2), QStringLiteral("hidden"));
           })
        << QStringList{} << "" << "" << "" << "" << "";
}

void TestSvgDrawing::texts() {
    QFETCH(Drawing, draw);
    QFETCH(QStringList, texts);
    QFETCH(QString, x);
    QFETCH(QString, y);
    QFETCH(QString, size);
    QFETCH(QString, weight);
    QFETCH(QString, fill);

    const Elements found = elements(drawn(draw), QStringLiteral("text"));
    QVERIFY2(found.error.isEmpty(), qPrintable(found.error));
    QCOMPARE(found.texts, texts);
    if (texts.isEmpty())
        return;
    const QXmlStreamAttributes& a = found.attributes.first();
    QCOMPARE(a.value(QLatin1String("x")).toString(), x);
    QCOMPARE(a.value(QLatin1String("y")).toString(), y);
    QCOMPARE(a.value(QLatin1String("font-size")).toString(), size);
    QCOMPARE(a.value(QLatin1String("font-weight")).toString(), weight);
    QCOMPARE(a.value(QLatin1String("fill")).toString(), fill);
    QVERIFY(a.value(QLatin1String("font-family")).endsWith(u"sans-serif"));
}

QTEST_MAIN(TestSvgDrawing)
#include "tst_svg_drawing.moc"
