#pragma once

#include <QCursor>
#include <QString>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace amb {

// Message-box styles and answers, as the program's messages use them.
namespace mb {
inline constexpr int OkOnly = 0;
inline constexpr int YesNo = 4;
inline constexpr int Exclamation = 48;
inline constexpr int AnswerOk = 1;
inline constexpr int AnswerYes = 6;
inline constexpr int AnswerNo = 7;
} // namespace mb

// Window pointer codes.
namespace pointer {
inline constexpr int Default = 0;
inline constexpr int Hourglass = 11;
inline constexpr int Custom = 99;
} // namespace pointer

// The spreadsheet application as the spreadsheet export drives it: a new instance,
// one new workbook, text cells addressed by row and column from 1, column fitting
// and a visibility switch. Every call may throw RunTimeError.
class SpreadsheetApp {
public:
    virtual ~SpreadsheetApp() = default;
    virtual void addWorkbook() = 0;
    virtual void setCell(int row, int column, const QString& text) = 0;
    virtual void autofitColumns() = 0;
    virtual void setVisible(bool visible) = 0;
};

// Every side effect of the user interface that a test needs to see or answer goes
// through this interface: QtPlatform does it for real, tests use a scripted double.
class Platform {
public:
    virtual ~Platform() = default;

    // Shows a modal message box and returns the answer (mb::Answer*).
    virtual int messageBox(const QString& text, const QString& title, int style) = 0;

    // Asks for a file name to save to. `filter` uses the "Text|*.txt|All|*.*|" form;
    // `offeredName` is shown as the initial name. Returns the empty text on cancel.
    virtual QString saveFileName(const QString& title, const QString& filter,
                                 const QString& offeredName) = 0;

    // The same, also telling which of the filter's types was chosen (0 for the first;
    // -1 when unknown), for a file whose format the type decides.
    virtual QString saveFileNameOfType(const QString& title, const QString& filter,
                                       const QString& offeredName, int& chosenType) {
        chosenType = -1;
        return saveFileName(title, filter, offeredName);
    }

    // Asks for an existing file to open. Returns the empty text on cancel.
    virtual QString openFileName(const QString& /*title*/, const QString& /*filter*/) {
        return {};
    }

    // Each throws RunTimeError when the clipboard cannot be reached.
    virtual void clipboardClear() = 0;
    virtual void clipboardSetText(const QString& text) = 0;

    // The per-user settings store. Writing throws RunTimeError when it fails.
    virtual QString readSetting(const QString& application, const QString& section,
                                const QString& key, const QString& defaultValue) = 0;
    virtual void writeSetting(const QString& application, const QString& section,
                              const QString& key, const QString& value) = 0;
    // Several values of one section, written together: a store that can, keeps
    // either all of them or none (the trip list and its coordinates always match).
    using SettingValues = std::vector<std::pair<QString, QString>>; // key, value
    virtual void writeSettings(const QString& application, const QString& section,
                               const SettingValues& values) {
        for (const auto& [key, value] : values)
            writeSetting(application, section, key, value);
    }

    // A new, invisible instance of the spreadsheet application; throws RunTimeError
    // when none can be started.
    virtual std::unique_ptr<SpreadsheetApp> createSpreadsheetApp() = 0;

    // Lets pending window events run (repaint, input, other commands). Once the
    // program is ending it throws ProgramEnding instead of returning to the command.
    virtual void doEvents() = 0;

    // The window has closed and its trip list is saved: the program ends, and a
    // long command that is still running stops at its next doEvents().
    virtual void endProgram() {}

    // The main window's pointer (pointer:: codes) and its custom picture.
    virtual int mousePointer() const = 0;
    virtual void setMousePointer(int code) = 0;
    virtual void setMouseIcon(std::optional<QCursor> icon) = 0;
};

} // namespace amb
