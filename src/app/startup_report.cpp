#include "app/startup_report.h"

#include <QEvent>
#include <QFile>
#include <QWidget>
#include <cstdio>
#include <functional>
#include <map>

namespace amb {

namespace {
class FirstPaintWatcher : public QObject {
public:
    FirstPaintWatcher(QObject* parent, std::function<void()> action)
        : QObject(parent), action_(std::move(action)) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            action_();
            watched->removeEventFilter(this);
            deleteLater();
        }
        return false;
    }

private:
    std::function<void()> action_;
};

void writeLayout(const QWidget* window, const QString& file) {
    std::map<QString, QRect> places; // by name, so both systems list them alike
    places[window->objectName()] = QRect(QPoint(0, 0), window->size());
    for (const QWidget* control : window->findChildren<QWidget*>()) {
        const QString name = control->objectName();
        if (!name.isEmpty() && !name.startsWith(QLatin1String("qt_")))
            places[name] = QRect(control->mapTo(window, QPoint(0, 0)), control->size());
    }
    QByteArray text;
    for (const auto& [name, place] : places)
        text += QStringLiteral("%1 %2 %3 %4 %5\n")
                    .arg(name)
                    .arg(place.left())
                    .arg(place.top())
                    .arg(place.width())
                    .arg(place.height())
                    .toUtf8();
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size())
        std::fprintf(stderr, "ambrevale: cannot write the layout to %s\n", qPrintable(file));
}
} // namespace

void reportStartupWhenShown(QWidget* window) {
    window->installEventFilter(new FirstPaintWatcher(window, [] {
        std::fputs("ambrevale: window shown\n", stdout);
        std::fflush(stdout);
    }));
}

void reportLayoutWhenShown(QWidget* window, const QString& file) {
    window->installEventFilter(
        new FirstPaintWatcher(window, [window, file] { writeLayout(window, file); }));
}

} // namespace amb
