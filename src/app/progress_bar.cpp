#include "app/progress_bar.h"

#include <QPainter>
#include <QStyleOptionProgressBar>
#include <algorithm>
#include <cmath>

namespace amb {

ProgressBar::ProgressBar(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void ProgressBar::setValue(double value) {
    value_ = value;
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
    const double shown = std::isfinite(value_) ? std::clamp(value_, 0.0, 100.0) : 0.0;
    option.progress = static_cast<int>(shown);
    option.text = text_;
    option.textVisible = true;
    option.textAlignment = Qt::AlignCenter;
    option.state |= QStyle::State_Horizontal;
    QPainter painter(this);
    style()->drawControl(QStyle::CE_ProgressBar, &option, &painter, this);
}

} // namespace amb
