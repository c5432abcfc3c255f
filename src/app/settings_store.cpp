#include "app/settings_store.h"

namespace amb {

#ifdef Q_OS_WIN
namespace {
const QString kCurrentUser = QStringLiteral("HKEY_CURRENT_USER\\Software\\");
}

std::unique_ptr<QSettings> openSettingsStore(const QString& application) {
    // Named in full: by organization alone Qt would put the values under an extra
    // "OrganizationDefaults" key.
    return std::make_unique<QSettings>(
        kCurrentUser + QStringLiteral("VB and VBA Program Settings\\") + application,
        QSettings::NativeFormat);
}

QString previousSettingsKey(const QString& application) {
    return kCurrentUser + application;
}

void takeOverPreviousSettings(const QString& application, const QString& section) {
    const QString cities = section + QStringLiteral("/Cities");
    const std::unique_ptr<QSettings> store = openSettingsStore(application);
    if (store->contains(cities))
        return;
    QSettings previous(previousSettingsKey(application), QSettings::NativeFormat);
    if (!previous.contains(cities))
        return;
    previous.beginGroup(section);
    store->beginGroup(section);
    for (const QString& key : previous.childKeys())
        if (!store->contains(key))
            store->setValue(key, previous.value(key));
    store->endGroup();
    store->sync();
}
#else
std::unique_ptr<QSettings> openSettingsStore(const QString& application) {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, application);
}

QString previousSettingsKey(const QString&) {
    return {};
}

void takeOverPreviousSettings(const QString&, const QString&) {}
#endif

} // namespace amb
