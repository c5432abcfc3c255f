#include "app/save_name.h"

#include "app/main_module.h"
#include "app/platform.h"

#include <QDir>
#include <QFileInfo>

namespace amb {

QString savedNameWithSuffix(Platform& platform, const QString& path, const QString& suffix) {
    if (path.isEmpty() || !QFileInfo(path).suffix().isEmpty())
        return path;
    const QString completed = path + QLatin1Char('.') + suffix;
    if (QFileInfo::exists(completed) &&
        platform.messageBox(QStringLiteral("%1 already exists.\nDo you want to replace it?")
                                .arg(QDir::toNativeSeparators(completed)),
                            applicationTitle(), mb::YesNo | mb::Exclamation) != mb::AnswerYes)
        return {};
    return completed;
}

} // namespace amb
