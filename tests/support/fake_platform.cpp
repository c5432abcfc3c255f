#include "support/fake_platform.h"

#include "app/box_pointer.h"
#include "app/runtime_error.h"

namespace amb::test {

void RecordingSpreadsheet::addWorkbook() {
    sheet_.workbookAdded = true;
    sheet_.calls << QStringLiteral("addWorkbook");
}
void RecordingSpreadsheet::setCell(int row, int column, const QString& text) {
    sheet_.cells[{row, column}] = text;
    sheet_.calls << QStringLiteral("setCell %1,%2").arg(row).arg(column);
}
void RecordingSpreadsheet::autofitColumns() {
    sheet_.autofitted = true;
    sheet_.calls << QStringLiteral("autofit");
}
void RecordingSpreadsheet::setVisible(bool visible) {
    sheet_.visible = visible;
    sheet_.calls << QStringLiteral("visible");
}

int FakePlatform::messageBox(const QString& text, const QString& title, int style) {
    return withOrdinaryPointer(*this, [&] {
        boxes.push_back({text, title, style, pointer});
        if (!answers.empty()) {
            const int answer = answers.front();
            answers.pop_front();
            return answer;
        }
        return (style & 0x0F) == mb::YesNo ? mb::AnswerNo : mb::AnswerOk;
    });
}

QStringList FakePlatform::boxTexts() const {
    QStringList texts;
    for (const ShownBox& b : boxes)
        texts << b.text;
    return texts;
}

QStringList FakePlatform::reports() const {
    QStringList texts;
    for (const ShownBox& b : boxes)
        if (b.title == QLatin1String("Application Error"))
            texts << b.text;
    return texts;
}

QStringList FakePlatform::reportPlaces() const {
    QStringList places;
    for (const QString& text : reports())
        places << text.section(QLatin1String("in Kestrune2021/08/31."), 1)
                      .section(QLatin1Char('\r'), 0, 0)
                      .remove(QLatin1String("at line "));
    return places;
}

QString FakePlatform::saveFileName(const QString& title, const QString& filter,
                                   const QString& offeredName) {
    saveDialogCalls << title + QLatin1Char('|') + filter + QLatin1Char('|') + offeredName;
    if (saveNames.empty())
        return {};
    const QString name = saveNames.front();
    saveNames.pop_front();
    return name;
}

QString FakePlatform::openFileName(const QString&, const QString&) {
    if (openNames.empty())
        return {};
    const QString name = openNames.front();
    openNames.pop_front();
    return name;
}

void FakePlatform::clipboardClear() {
    ++clipboardAttempts;
    if (clipboardFailures > 0) {
        --clipboardFailures;
        throw RunTimeError(err::PermissionDenied, QStringLiteral("The clipboard is busy."));
    }
    clipboard.clear();
    clipboardHasText = false;
}

void FakePlatform::clipboardSetText(const QString& text) {
    ++clipboardAttempts;
    if (clipboardFailures > 0) {
        --clipboardFailures;
        throw RunTimeError(err::PermissionDenied, QStringLiteral("The clipboard is busy."));
    }
    clipboard = text;
    clipboardHasText = true;
}

static QString settingKey(const QString& a, const QString& s, const QString& k) {
    return a + QLatin1Char('/') + s + QLatin1Char('/') + k;
}

QString FakePlatform::readSetting(const QString& application, const QString& section,
                                  const QString& key, const QString& defaultValue) {
    if (unreadableSettings.contains(settingKey(application, section, key)))
        throw RunTimeError(err::PermissionDenied, QStringLiteral("The settings store is locked."));
    return settings.value(settingKey(application, section, key), defaultValue);
}

void FakePlatform::writeSetting(const QString& application, const QString& section,
                                const QString& key, const QString& value) {
    settingsWrites.append(settingKey(application, section, key));
    if (settingsWriteFails)
        throw RunTimeError(err::PermissionDenied,
                           QStringLiteral("The settings store is read-only."));
    settings[settingKey(application, section, key)] = value;
}

std::unique_ptr<SpreadsheetApp> FakePlatform::createSpreadsheetApp() {
    if (!spreadsheetInstalled)
        throw RunTimeError(err::CannotCreateObject,
                           QStringLiteral("No spreadsheet program was found."));
    ++spreadsheetsCreated;
    sheets.push_back(std::make_unique<RecordedSheet>());
    return std::make_unique<RecordingSpreadsheet>(*sheets.back());
}

void FakePlatform::doEvents() {
    if (ended)
        throw ProgramEnding{};
    ++doEventsCalls;
    if (onDoEvents)
        onDoEvents(doEventsCalls);
    if (ended)
        throw ProgramEnding{};
}

void FakePlatform::setMousePointer(int code) {
    pointer = code;
    pointerHistory.push_back(code);
}

} // namespace amb::test
