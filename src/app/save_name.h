#pragma once

#include <QString>

namespace amb {

class Platform;

// The name a save dialog returned, with `suffix` added when it has none (the dialog
// adds the chosen type's suffix itself; a desktop's own dialog may not). A file of
// the completed name that already exists is replaced only when the user says so:
// the empty text otherwise.
QString savedNameWithSuffix(Platform& platform, const QString& path, const QString& suffix);

} // namespace amb
