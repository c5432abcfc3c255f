#include "app/main_module.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace amb {

namespace {
QString& titleStore() {
    static QString title = kProductTitle;
    return title;
}
QString& folderOverride() {
    static QString folder;
    return folder;
}
} // namespace

bool FileExists(const QString& path) noexcept {
    try {
        const QFileInfo info(path);
        return info.exists() && info.lastModified().isValid();
    } catch (...) {
        return false;
    }
}

QString shortenedTitle(const QString& productTitle) {
    QString title = productTitle;
    do {
        const qsizetype lastSpace = title.lastIndexOf(QLatin1Char(' '));
        if (lastSpace < 0)
            break; // nothing to cut at: keep what is left
        title.truncate(lastSpace);
    } while (title.size() > 40);
    return title;
}

void SetApplicationTitle(const QString& productTitle) {
    titleStore() = shortenedTitle(productTitle);
    QCoreApplication::setApplicationName(titleStore());
}

QString applicationTitle() {
    return titleStore();
}

QString TextAfterLastBackslash(const QString& text) {
    const qsizetype at = text.lastIndexOf(QLatin1Char('\\'));
    return at < 0 ? text : text.mid(at + 1);
}

QString programFolder() {
    if (!folderOverride().isEmpty())
        return folderOverride();
    if (!qEnvironmentVariableIsEmpty("AMBREVALE_PROGRAM_DIR"))
        return qEnvironmentVariable("AMBREVALE_PROGRAM_DIR");
    return QCoreApplication::applicationDirPath();
}

void setProgramFolderForTests(const QString& folder) {
    folderOverride() = folder;
}

} // namespace amb
