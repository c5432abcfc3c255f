#include "route/land_outline.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cmath>

namespace amb::route {

namespace {

// One arc decoded to degrees.
using Arc = std::vector<QPointF>;

bool decodeArcs(const QJsonObject& topology, std::vector<Arc>* arcs, QString* error) {
    double scaleX = 1, scaleY = 1, translateX = 0, translateY = 0;
    const QJsonValue transform = topology.value(QLatin1String("transform"));
    const bool quantised = transform.isObject();
    if (quantised) {
        const QJsonArray scale = transform[QLatin1String("scale")].toArray();
        const QJsonArray translate = transform[QLatin1String("translate")].toArray();
        if (scale.size() != 2 || translate.size() != 2) {
            *error = QStringLiteral("the transform has no scale or translation");
            return false;
        }
        scaleX = scale[0].toDouble();
        scaleY = scale[1].toDouble();
        translateX = translate[0].toDouble();
        translateY = translate[1].toDouble();
    }
    const QJsonArray all = topology.value(QLatin1String("arcs")).toArray();
    arcs->reserve(all.size());
    for (const QJsonValue& arcValue : all) {
        const QJsonArray positions = arcValue.toArray();
        Arc arc;
        arc.reserve(positions.size());
        double x = 0, y = 0;
        for (const QJsonValue& positionValue : positions) {
            const QJsonArray position = positionValue.toArray();
            if (position.size() < 2 || !position[0].isDouble() || !position[1].isDouble()) {
                *error = QStringLiteral("an arc holds a position that is not two numbers");
                return false;
            }
            // Quantised arcs hold the step from the previous position.
            QPointF point(position[0].toDouble(), position[1].toDouble());
            if (quantised) {
                x += point.x();
                y += point.y();
                point = QPointF(x * scaleX + translateX, y * scaleY + translateY);
            }
            // Steps or a transform can overflow a double; no map can hold that point.
            if (!std::isfinite(point.x()) || !std::isfinite(point.y())) {
                *error = QStringLiteral("an arc holds a position beyond any number of degrees");
                return false;
            }
            arc.push_back(point);
        }
        arcs->push_back(std::move(arc));
    }
    return true;
}

// A ring from its arcs: index ~i is arc i backwards; each arc after the first
// starts where the one before ended.
bool ringFromArcs(const QJsonArray& indices, const std::vector<Arc>& arcs,
                  std::vector<QPointF>* ring, QString* error) {
    for (const QJsonValue& indexValue : indices) {
        if (!indexValue.isDouble()) {
            *error = QStringLiteral("a ring refers to an arc by something other than a number");
            return false;
        }
        const long long index = indexValue.toInteger();
        const long long arcIndex = index < 0 ? ~index : index;
        if (arcIndex >= static_cast<long long>(arcs.size())) {
            *error = QStringLiteral("a ring refers to arc %1 of %2").arg(arcIndex).arg(arcs.size());
            return false;
        }
        const Arc& arc = arcs[static_cast<std::size_t>(arcIndex)];
        const std::size_t skip = ring->empty() ? 0 : 1;
        if (index >= 0)
            ring->insert(ring->end(), arc.begin() + std::min(skip, arc.size()), arc.end());
        else
            ring->insert(ring->end(), arc.rbegin() + std::min(skip, arc.size()), arc.rend());
    }
    return true;
}

// The data cuts rings at the antimeridian by jumping from one side to the other.
// A flat map wants them whole: longitudes made continuous, so a ring over the
// antimeridian runs past ±180, and one around a pole, which then ends a turn away
// from where it began, is closed along the pole.
LandRing continuousRing(std::vector<QPointF> points) {
    LandRing ring;
    double west = points.front().x();
    for (std::size_t i = 1; i < points.size(); ++i) {
        const double previous = points[i - 1].x();
        double& lon = points[i].rx();
        // One turn mends any step of real data; a longitude further off the globe
        // (damaged data) is brought within half a turn at once, not a turn at a time.
        const double step = lon - previous;
        if (step > 180)
            lon = step <= 540 ? lon - 360 : previous + std::remainder(step, 360.0);
        else if (step < -180)
            lon = step >= -540 ? lon + 360 : previous + std::remainder(step, 360.0);
        west = std::min(west, lon);
    }
    const QPointF first = points.front(), last = points.back();
    if (std::abs(last.x() - first.x()) > 180) {
        double sum = 0;
        for (const QPointF& point : points)
            sum += point.y();
        const double pole = sum > 0 ? 90 : -90;
        points.emplace_back(last.x(), pole);
        points.emplace_back(first.x(), pole);
        ring.aroundPole = true;
    }
    const double shift = -360 * std::floor((west + 180) / 360);
    if (shift != 0)
        for (QPointF& point : points)
            point.rx() += shift;
    ring.points = std::move(points);
    return ring;
}

bool addPolygon(const QJsonArray& polygon, const std::vector<Arc>& arcs, LandOutline* land,
                QString* error) {
    for (const QJsonValue& ringValue : polygon) {
        std::vector<QPointF> points;
        if (!ringFromArcs(ringValue.toArray(), arcs, &points, error))
            return false;
        if (points.size() >= 3)
            land->rings.push_back(continuousRing(std::move(points)));
    }
    return true;
}

bool addGeometry(const QJsonObject& geometry, const std::vector<Arc>& arcs, LandOutline* land,
                 QString* error) {
    const QString type = geometry.value(QLatin1String("type")).toString();
    const QJsonArray parts = geometry.value(QLatin1String("arcs")).toArray();
    if (type == QLatin1String("Polygon"))
        return addPolygon(parts, arcs, land, error);
    if (type == QLatin1String("MultiPolygon")) {
        for (const QJsonValue& polygon : parts)
            if (!addPolygon(polygon.toArray(), arcs, land, error))
                return false;
        return true;
    }
    if (type == QLatin1String("GeometryCollection")) {
        for (const QJsonValue& member : geometry.value(QLatin1String("geometries")).toArray())
            if (!addGeometry(member.toObject(), arcs, land, error))
                return false;
        return true;
    }
    return true; // points and lines are no land
}

} // namespace

std::optional<LandOutline> landFromTopoJson(const QByteArray& json, QString* error) {
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (document.isNull()) {
        *error = QStringLiteral("it is not JSON (%1)").arg(parseError.errorString());
        return std::nullopt;
    }
    const QJsonObject topology = document.object();
    const QJsonValue landValue =
        topology.value(QLatin1String("objects")).toObject().value(QLatin1String("land"));
    if (topology.value(QLatin1String("type")).toString() != QLatin1String("Topology") ||
        !landValue.isObject()) {
        *error = QStringLiteral("it is not a topology with a land object");
        return std::nullopt;
    }
    std::vector<Arc> arcs;
    if (!decodeArcs(topology, &arcs, error))
        return std::nullopt;
    LandOutline land;
    if (!addGeometry(landValue.toObject(), arcs, &land, error))
        return std::nullopt;
    return land;
}

std::optional<LandOutline> loadLandOutline(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("Cannot read the land outlines %1: %2")
                     .arg(QDir::toNativeSeparators(path), file.errorString());
        return std::nullopt;
    }
    QString why;
    auto land = landFromTopoJson(file.readAll(), &why);
    if (!land)
        *error = QStringLiteral("The land outlines %1 cannot be used: %2")
                     .arg(QDir::toNativeSeparators(path), why);
    return land;
}

QString defaultLandFile() {
    return QDir(QCoreApplication::applicationDirPath())
        .filePath(QString::fromLatin1(kLandFileName));
}

} // namespace amb::route
