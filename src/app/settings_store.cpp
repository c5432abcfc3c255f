#include "app/settings_store.h"

namespace amb {

std::unique_ptr<QSettings> openSettingsStore(const QString& application) {
#ifdef Q_OS_WIN
    // Named in full: by organization alone Qt would put the values under an extra
    // "OrganizationDefaults" key.
    return std::make_unique<QSettings>(
        QStringLiteral("HKEY_CURRENT_USER\\Software\\") + application, QSettings::NativeFormat);
#else
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, application);
#endif
}

} // namespace amb
