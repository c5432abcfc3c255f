#include "route/map_place.h"

#include <QByteArray>
#include <QWidget>

namespace amb::route {

namespace {
constexpr int kWidth = 960, kHeight = 640;
} // namespace

QString keptPlace(const QWidget& window) {
    return QString::fromLatin1(window.saveGeometry().toBase64());
}

void restoreKeptPlace(QWidget& window, const QString& kept) {
    window.resize(kWidth, kHeight);
    if (kept.isEmpty())
        return;
    if (!window.restoreGeometry(QByteArray::fromBase64(kept.toLatin1())))
        window.resize(kWidth, kHeight);
}

} // namespace amb::route
