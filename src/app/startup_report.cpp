#include "app/startup_report.h"

#include <QEvent>
#include <QWidget>
#include <cstdio>

namespace amb {

namespace {
class FirstPaintWatcher : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            std::fputs("ambrevale: window shown\n", stdout);
            std::fflush(stdout);
            watched->removeEventFilter(this);
            deleteLater();
        }
        return false;
    }
};
} // namespace

void reportStartupWhenShown(QWidget* window) {
    window->installEventFilter(new FirstPaintWatcher(window));
}

} // namespace amb
