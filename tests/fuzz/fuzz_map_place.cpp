// The map window's place and size as the settings store keeps them (Qt's saved
// geometry in Base64, or anything a damaged store holds). Whatever the value, the
// window gets a place a screen shows and a size it can be drawn at; the place it
// takes is kept again as a value that gives the same size (Qt may move a window a
// little to keep its title on the screen).
#include "fuzz_support.h"

#include "route/map_place.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::startWidgets();
    static QWidget* const window = new QWidget(nullptr, Qt::Window);
    static QWidget* const again = new QWidget(nullptr, Qt::Window);
    fuzz::Input input(data, size);
    const QString kept = QString::fromUtf8(input.restBytes());

    amb::route::restoreKeptPlace(*window, kept);
    const QRect place = window->geometry();
    const QRect screens = QGuiApplication::primaryScreen()->virtualGeometry();
    if (place.isEmpty() || place.width() > 16384 || place.height() > 16384)
        std::abort(); // a size the window cannot be drawn at
    if (!place.intersects(screens))
        std::abort(); // a place no screen shows

    amb::route::restoreKeptPlace(*again, amb::route::keptPlace(*window));
    if (again->size() != place.size() || !again->geometry().intersects(screens))
        std::abort(); // the place kept is not the place taken
    return 0;
}
