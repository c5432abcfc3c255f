#pragma once

#include "route/trip_map.h"

#include <QImage>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <optional>

namespace amb {
class Form1;
}

namespace amb::route {

// The map itself: the trip drawn by the trip-map renderer at the frame the user
// zooms and pans. The wheel and + and − zoom around the pointer (the keys around
// the middle), dragging and the arrow keys pan, a click on a city (or Page Down and
// Page Up) selects it.
class MapCanvas : public QWidget {
    Q_OBJECT
public:
    explicit MapCanvas(QWidget* parent = nullptr);

    void setTrip(TripMap trip, std::vector<int> items); // items: the trip list's positions
    void setLand(std::shared_ptr<const LandPicture> land);
    void fit();                               // frames the whole trip
    void zoom(double factor, QPointF around); // factor > 1 zooms in
    void pan(QPointF pixels);                 // moves the picture by this much
    void centreOn(GeoPoint point, double spanDegrees);
    // A city shown beside the trip (the search list's "Show On Map"); none: no mark.
    void setMark(std::optional<MapStop> mark);
    const MapFrame& frame() const { return frame_; }
    const TripMap& trip() const { return trip_; }
    // The trip list's position of the city drawn at `at`, or 0.
    int itemAt(QPointF at) const;
    // While the map is being dragged or panned with the keys, a frame moves the last
    // picture and draws only the strips it uncovers; once the map rests (on release,
    // or a moment after the last step) it is drawn afresh, exactly.
    bool moving() const { return moving_; }
    void comeToRest();

Q_SIGNALS:
    void cityClicked(int item);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void redraw(); // the next frame draws everything afresh
    void drawScene();
    bool moveScene();
    TripMap trip_;
    std::vector<int> items_;
    std::optional<MapStop> mark_;
    std::vector<std::vector<GeoPoint>> paths_; // the legs, traced once per trip
    std::shared_ptr<const LandPicture> land_;
    MapFrame frame_;
    bool fitted_ = false;
    std::optional<QPointF> dragFrom_;
    bool dragged_ = false;
    int keyboardCity_ = -1; // the stop last picked with Page Down / Page Up
    // The land and the route as last drawn, at sceneFrame_; the corners, the mark and
    // the focus are drawn over it in every frame.
    QImage scene_, spareScene_;
    MapFrame sceneFrame_;
    bool sceneValid_ = false;
    bool moving_ = false;
    QTimer restTimer_;
};

// "Ambrevale – Map": a window of its own beside the main one, following the trip
// list as it changes. Its place and size are kept in the settings store.
class MapWindow : public QWidget {
    Q_OBJECT
public:
    explicit MapWindow(Form1& form);

    MapCanvas* canvas = nullptr;
    QPushButton* zoomInButton = nullptr;
    QPushButton* zoomOutButton = nullptr;
    QPushButton* fitButton = nullptr;
    QPushButton* saveButton = nullptr;

    // Reads the trip list again; `refit` frames it afresh.
    void followTrip(bool refit);
    // The same without moving the map (after a new unit: the total changes).
    Q_INVOKABLE void refresh();
    // Writes the map as shown, PNG or SVG by the name; gives the message on failure.
    QString saveMap(const QString& file) const;
    void saveMapAs();

    // The land file is read once per program run.
    static std::shared_ptr<const LandPicture> sharedLand(QString* error);

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override; // Escape closes it
    void hideEvent(QHideEvent* event) override;

private:
    void keepPlace();
    Form1& form_;
    bool placeRestored_ = false;
};

} // namespace amb::route
