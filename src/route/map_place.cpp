#include "route/map_place.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace amb::route {

namespace {
constexpr int kWidth = 960, kHeight = 640;
constexpr int kLargest = 16384; // wider or taller than any screen, and than Qt draws

// A screen shows part of the place, and the place is one a window can be drawn at.
bool shown(const QRect& place) {
    if (place.isEmpty() || place.width() > kLargest || place.height() > kLargest)
        return false;
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen->availableGeometry().intersects(place))
            return true;
    return false;
}
} // namespace

QString keptPlace(const QWidget& window) {
    return QString::fromLatin1(window.saveGeometry().toBase64());
}

void restoreKeptPlace(QWidget& window, const QString& kept) {
    window.resize(kWidth, kHeight);
    if (kept.isEmpty())
        return;
    // A damaged value can be one Qt takes, with a place off every screen.
    if (window.restoreGeometry(QByteArray::fromBase64(kept.toLatin1())) &&
        shown(window.geometry()))
        return;
    window.setWindowState(Qt::WindowNoState);
    const QScreen* screen = QGuiApplication::primaryScreen();
    window.setGeometry(QRect(screen ? screen->availableGeometry().topLeft() : QPoint(),
                             QSize(kWidth, kHeight)));
}

} // namespace amb::route
