#include "app/qt_platform.h"

#include "app/box_pointer.h"
#include "app/runtime_error.h"
#include "app/settings_store.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QMessageBox>
#include <QSettings>

namespace amb {

int QtPlatform::messageBox(const QString& text, const QString& title, int style) {
    return withOrdinaryPointer(*this, [&] { return showMessageBox(text, title, style); });
}

int QtPlatform::showMessageBox(const QString& text, const QString& title, int style) {
    QMessageBox box(window_);
    box.setWindowTitle(title);
    // Message texts use CR alone as a line break in places; show it as one.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
    box.setText(shown);
    box.setTextFormat(Qt::PlainText);
    box.setIcon((style & mb::Exclamation) == mb::Exclamation ? QMessageBox::Warning
                                                             : QMessageBox::NoIcon);
    if ((style & 0x0F) == mb::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes ? mb::AnswerYes : mb::AnswerNo;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return mb::AnswerOk;
}

QString QtPlatform::qtFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts.at(i).isEmpty())
            continue;
        QString patterns = parts.at(i + 1);
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        // Qt takes the patterns from the brackets of the description.
        entries.append(parts.at(i).contains(QLatin1Char('('))
                           ? parts.at(i)
                           : parts.at(i) + QStringLiteral(" (") + patterns + QLatin1Char(')'));
    }
    return entries.join(QStringLiteral(";;"));
}

QString QtPlatform::saveFileName(const QString& title, const QString& filter,
                                 const QString& offeredName) {
    int chosenType = -1;
    return runSaveDialog(title, filter, offeredName, chosenType, false);
}

QString QtPlatform::saveFileNameOfType(const QString& title, const QString& filter,
                                       const QString& offeredName, int& chosenType) {
    return runSaveDialog(title, filter, offeredName, chosenType, true);
}

QString QtPlatform::openFileName(const QString& title, const QString& filter) {
    QFileDialog dialog(window_, title, QString(), qtFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

namespace {

// "gpx" from "GPX 1.1 (*.gpx)"; nothing for "All files (*.*)".
QString firstSuffix(const QString& nameFilter) {
    const qsizetype open = nameFilter.lastIndexOf(QLatin1Char('('));
    const QStringList patterns =
        nameFilter.mid(open + 1).chopped(nameFilter.endsWith(QLatin1Char(')')) ? 1 : 0)
            .split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (patterns.isEmpty() || !patterns.constFirst().startsWith(QLatin1String("*.")))
        return {};
    const QString suffix = patterns.constFirst().mid(2);
    return suffix.contains(QLatin1Char('*')) ? QString() : suffix;
}

} // namespace

QString QtPlatform::runSaveDialog(const QString& title, const QString& filter,
                                  const QString& offeredName, int& chosenType, bool typedFile) {
    chosenType = -1;
    QFileDialog dialog(window_, title, QString(), qtFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (typedFile) {
        // The chosen type's suffix is added in the dialog, so its own overwrite question
        // asks about the name that will be written.
        dialog.setDefaultSuffix(firstSuffix(dialog.selectedNameFilter()));
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                         [&dialog](const QString& chosen) {
                             dialog.setDefaultSuffix(firstSuffix(chosen));
                         });
    } else {
        // The user chose to replace a file by naming it: no overwrite question, and the
        // name is kept as typed, without an added extension.
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
        dialog.setDefaultSuffix(QString());
    }
    if (!offeredName.isEmpty())
        dialog.selectFile(offeredName);
    // A second export started while the first one works opens it under the hourglass.
    if (withOrdinaryPointer(*this, [&] { return dialog.exec(); }) != QDialog::Accepted ||
        dialog.selectedFiles().isEmpty())
        return {};
    chosenType = static_cast<int>(dialog.nameFilters().indexOf(dialog.selectedNameFilter()));
    return dialog.selectedFiles().constFirst();
}

void QtPlatform::clipboardClear() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        throw RunTimeError(err::CannotCreateObject,
                           QStringLiteral("The clipboard is not available."));
    clipboard->clear();
}

void QtPlatform::clipboardSetText(const QString& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        throw RunTimeError(err::CannotCreateObject,
                           QStringLiteral("The clipboard is not available."));
    clipboard->setText(text);
}

QString QtPlatform::readSetting(const QString& application, const QString& section,
                                const QString& key, const QString& defaultValue) {
    const std::unique_ptr<QSettings> store = openSettingsStore(application);
    QSettings& settings = *store;
    settings.beginGroup(section);
    const QVariant value = settings.value(key);
    if (!value.isValid())
        return defaultValue;
    // A hand-edited value with unquoted commas comes back as a list: keep it one text.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    if (!value.canConvert<QString>())
        return defaultValue; // a damaged value counts as absent
    return value.toString();
}

void QtPlatform::writeSetting(const QString& application, const QString& section,
                              const QString& key, const QString& value) {
    writeSettings(application, section, {{key, value}});
}

void QtPlatform::writeSettings(const QString& application, const QString& section,
                               const SettingValues& values) {
    // A file that began with a byte-order mark or held junk gives a format error when
    // the store reads it before writing, and the store keeps the first error it met,
    // so that status says nothing about the write. The store rewrites such a file
    // clean: a second write reads that and its status tells.
    QString fileName;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const std::unique_ptr<QSettings> store = openSettingsStore(application);
        QSettings& settings = *store;
        fileName = settings.fileName();
        if (!settings.isWritable())
            throw RunTimeError(err::PermissionDenied,
                               QStringLiteral("The settings file %1 cannot be written. Check that "
                                              "its folder exists and that you may write to it.")
                                   .arg(fileName));
        // The file is written whole into a new file beside it, which then replaces
        // it: a run killed in the middle leaves the old file or the new one, never
        // part of one. (Qt's default; asked for, since the kept trip depends on it.)
        settings.setAtomicSyncRequired(true);
        settings.beginGroup(section);
        for (const auto& [key, value] : values)
            settings.setValue(key, value);
        settings.sync();
        if (settings.status() == QSettings::NoError)
            return;
        if (settings.status() != QSettings::FormatError)
            break;
    }
    throw RunTimeError(err::PermissionDenied,
                       QStringLiteral("The settings could not be saved to %1. Check the free "
                                      "space and the permissions of its folder.")
                           .arg(fileName));
}

std::unique_ptr<SpreadsheetApp> QtPlatform::createSpreadsheetApp() {
    if (!spreadsheetFactory_)
        throw RunTimeError(err::CannotCreateObject,
                           QStringLiteral("No spreadsheet program can be started from here."));
    return spreadsheetFactory_();
}

void QtPlatform::endProgram() {
    ending_ = true;
    QCoreApplication::quit();
}

void QtPlatform::doEvents() {
    if (ending_)
        throw ProgramEnding{};
    // Long commands let events run once or twice per row, and painting the window
    // costs far more than a row's work: let them run at most every 10 ms, which is
    // still faster than the eye and than any click.
    if (sinceEvents_.isValid() && sinceEvents_.elapsed() < 10)
        return;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    sinceEvents_.start();
    if (ending_) // the window closed meanwhile: the command goes no further
        throw ProgramEnding{};
}

void QtPlatform::setMousePointer(int code) {
    pointer_ = code;
    applyPointer();
}

void QtPlatform::setMouseIcon(std::optional<QCursor> icon) {
    icon_ = std::move(icon);
    applyPointer();
}

void QtPlatform::applyPointer() {
    // The hourglass covers every control of the window, including those with a
    // pointer of their own (the text box's I-beam).
    if (pointer_ == pointer::Hourglass) {
        if (!overrideActive_) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            overrideActive_ = true;
        }
        return;
    }
    if (overrideActive_) {
        QApplication::restoreOverrideCursor();
        overrideActive_ = false;
    }
    if (!window_)
        return;
    if (pointer_ == pointer::Custom && icon_)
        window_->setCursor(*icon_);
    else
        window_->unsetCursor();
}

} // namespace amb
