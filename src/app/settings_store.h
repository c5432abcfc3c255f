#pragma once

#include <QSettings>
#include <QString>
#include <memory>

namespace amb {

// The per-user settings store of one application name, whose sections are groups:
// on Windows the registry key
// HKEY_CURRENT_USER\Software\VB and VBA Program Settings\<application>, where the
// system's classic per-user settings calls keep an application's sections (a
// section is a subkey of it), elsewhere the file <user config folder>/<application>.conf.
std::unique_ptr<QSettings> openSettingsStore(const QString& application);

// Windows only: the key the previous version kept its values in,
// HKEY_CURRENT_USER\Software\<application>.
QString previousSettingsKey(const QString& application);

// Windows only: copies the values of `section` from the previous version's key
// into the store once, when the store's section has no "Cities" yet and the old one
// has: a trip kept by the previous version comes back after an update. The old key
// is left as it was. Elsewhere it does nothing.
void takeOverPreviousSettings(const QString& application, const QString& section);

} // namespace amb
