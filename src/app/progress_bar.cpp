#include "app/progress_bar.h"

#include <QPainter>
#include <QStyleOptionProgressBar>
#include <algorithm>
#include <cmath>

namespace amb {

ProgressBar::ProgressBar(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

namespace {
int shownPercent(double value) {
    return std::isfinite(value) ? static_cast<int>(std::clamp(value, 0.0, 100.0)) : 0;
}
} // namespace

void ProgressBar::setValue(double value) {
    value_ = value;
    scheduleRepaint();
    Q_EMIT valueSet(value);
}

void ProgressBar::setText(const QString& text) {
    text_ = text;
    scheduleRepaint();
    Q_EMIT textSet(text);
}

// A loop sets a value per row, and a short search runs the bar up and sets it back
// before the window paints again: the bar is repainted once events run, and only if
// what it would draw differs from what it drew last (drawing the bar costs more than
// reading a short list). repaint(), not update(): an update asked for while posted
// events run would wait for the next pass of the event loop.
void ProgressBar::scheduleRepaint() {
    if (checkPending_)
        return;
    checkPending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            checkPending_ = false;
            if (shownPercent(value_) != drawnPercent_ || text_ != drawnText_)
                repaint();
        },
        Qt::QueuedConnection);
}

QSize ProgressBar::sizeHint() const {
    return {200, 24};
}

void ProgressBar::paintEvent(QPaintEvent*) {
    QStyleOptionProgressBar option;
    option.initFrom(this);
    option.minimum = 0;
    option.maximum = 100;
    option.progress = shownPercent(value_);
    option.text = text_;
    drawnPercent_ = option.progress;
    drawnText_ = text_;
    option.textVisible = true;
    option.textAlignment = Qt::AlignCenter;
    option.state |= QStyle::State_Horizontal;
    QPainter painter(this);
    style()->drawControl(QStyle::CE_ProgressBar, &option, &painter, this);
}

} // namespace amb
