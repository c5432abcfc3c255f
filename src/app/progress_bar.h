#pragma once

#include <QWidget>

namespace amb {

// The progress bar: a value on a scale of 0 to 100 and a text drawn on the bar.
// Long loops set it once per row, so setting only stores and schedules a check;
// the value and text are drawn in paintEvent. Values above 100 show as a full bar.
class ProgressBar : public QWidget {
    Q_OBJECT
public:
    explicit ProgressBar(QWidget* parent = nullptr);

    void setValue(double value);
    void setText(const QString& text);
    double value() const { return value_; }
    QString text() const { return text_; }

    QSize sizeHint() const override;

Q_SIGNALS:
    // For tests and accessibility: every value and text the program sets, in order.
    void valueSet(double value);
    void textSet(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void scheduleRepaint();

    double value_ = 0;
    QString text_;
    // What the last paint drew; -1 before the first paint.
    int drawnPercent_ = -1;
    QString drawnText_;
    bool checkPending_ = false;
};

} // namespace amb
