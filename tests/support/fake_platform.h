#pragma once

#include "app/platform.h"

#include <QMap>
#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

namespace amb::test {

struct ShownBox {
    QString text;
    QString title;
    int style;
    int pointer; // the window pointer while the box was open
};

// A recorded spreadsheet: the cells written and what was asked of it.
struct RecordedSheet {
    bool workbookAdded = false;
    bool autofitted = false;
    bool visible = false;
    QMap<QPair<int, int>, QString> cells; // (row, column) -> text
    QStringList calls;
};

class RecordingSpreadsheet : public SpreadsheetApp {
public:
    explicit RecordingSpreadsheet(RecordedSheet& sheet) : sheet_(sheet) {}
    void addWorkbook() override;
    void setCell(int row, int column, const QString& text) override;
    void autofitColumns() override;
    void setVisible(bool visible) override;

private:
    RecordedSheet& sheet_;
};

// The scripted platform of the tests: records every call, answers message boxes
// from a queue (OK, or No for a question, when the queue is empty) and can run a
// command from inside "let pending events run".
class FakePlatform : public Platform {
public:
    int messageBox(const QString& text, const QString& title, int style) override;
    QString saveFileName(const QString& title, const QString& filter,
                         const QString& offeredName) override;
    QString openFileName(const QString& title, const QString& filter) override;
    void clipboardClear() override;
    void clipboardSetText(const QString& text) override;
    QString readSetting(const QString& application, const QString& section, const QString& key,
                        const QString& defaultValue) override;
    void writeSetting(const QString& application, const QString& section, const QString& key,
                      const QString& value) override;
    std::unique_ptr<SpreadsheetApp> createSpreadsheetApp() override;
    void doEvents() override;
    void endProgram() override { ended = true; }
    int mousePointer() const override { return pointer; }
    void setMousePointer(int code) override;
    void setMouseIcon(std::optional<QCursor> icon) override { mouseIcon = std::move(icon); }

    // Message boxes.
    std::vector<ShownBox> boxes;
    std::deque<int> answers;
    QStringList boxTexts() const;
    // Error reports only (title "Application Error").
    QStringList reports() const;
    // Where each error report says it failed: "Form1.PushButton3_Click 100".
    QStringList reportPlaces() const;

    // Save dialog: the queued names are returned in order ("" = cancel).
    std::deque<QString> saveNames;
    QStringList saveDialogCalls; // "title|filter|offeredName"

    // Open dialog: the queued names are returned in order ("" = cancel).
    std::deque<QString> openNames;

    // Clipboard.
    QString clipboard;
    bool clipboardHasText = false;
    int clipboardFailures = 0; // the next N clipboard attempts fail
    int clipboardAttempts = 0;

    // Settings: "application/section/key" -> value.
    QMap<QString, QString> settings;
    bool settingsWriteFails = false;
    QStringList settingsWrites; // the key of every write asked for, failed ones too
    QStringList unreadableSettings; // keys whose reading throws

    // Spreadsheet.
    bool spreadsheetInstalled = true;
    int spreadsheetsCreated = 0;
    std::vector<std::unique_ptr<RecordedSheet>> sheets;

    // Pending events: each call runs the hook (if any) with the call's number.
    int doEventsCalls = 0;
    std::function<void(int)> onDoEvents;
    bool ended = false; // the window closed: the next doEvents() throws ProgramEnding

    // Pointer.
    int pointer = 0;
    std::vector<int> pointerHistory;
    std::optional<QCursor> mouseIcon;
};

} // namespace amb::test
