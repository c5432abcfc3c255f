#pragma once

#include <QString>

class QWidget;

namespace amb::route {

// The map window's place and size as the settings store keeps them: Qt's saved
// geometry in Base64.
QString keptPlace(const QWidget& window);

// Puts the window where `kept` says, or, when it says nothing usable (empty,
// damaged, off every screen, a size no screen shows), gives it the size that shows
// the world well.
void restoreKeptPlace(QWidget& window, const QString& kept);

} // namespace amb::route
