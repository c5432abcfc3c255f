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
    // A loop sets a value per row; only a change of the drawn bar needs a repaint.
    const bool changed = shownPercent(value) != shownPercent(value_);
    value_ = value;
    if (changed)
        update();
    Q_EMIT valueSet(value);
}

void ProgressBar::setText(const QString& text) {
    text_ = text;
    update();
    Q_EMIT textSet(text);
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
    option.textVisible = true;
    option.textAlignment = Qt::AlignCenter;
    option.state |= QStyle::State_Horizontal;
    QPainter painter(this);
    style()->drawControl(QStyle::CE_ProgressBar, &option, &painter, this);
}

} // namespace amb
