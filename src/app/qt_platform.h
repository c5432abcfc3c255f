#pragma once

#include "app/platform.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>
#include <functional>

namespace amb {

// The real platform: Qt message boxes and dialogs, the system clipboard, QSettings,
// the desktop's spreadsheet program and the window's cursor.
class QtPlatform : public Platform {
public:
    // Makes the desktop's spreadsheet program. The program's main supplies it, so that
    // this ground floor depends on no subsystem; without one the export reports that
    // no spreadsheet program can be started.
    using SpreadsheetFactory = std::function<std::unique_ptr<SpreadsheetApp>()>;

    void attachWindow(QWidget* window) { window_ = window; }
    void setSpreadsheetFactory(SpreadsheetFactory factory) {
        spreadsheetFactory_ = std::move(factory);
    }

    int messageBox(const QString& text, const QString& title, int style) override;
    QString saveFileName(const QString& title, const QString& filter,
                         const QString& offeredName) override;
    QString saveFileNameOfType(const QString& title, const QString& filter,
                               const QString& offeredName, int& chosenType) override;
    QString openFileName(const QString& title, const QString& filter) override;
    void clipboardClear() override;
    void clipboardSetText(const QString& text) override;
    QString readSetting(const QString& application, const QString& section, const QString& key,
                        const QString& defaultValue) override;
    void writeSetting(const QString& application, const QString& section, const QString& key,
                      const QString& value) override;
    void writeSettings(const QString& application, const QString& section,
                       const SettingValues& values) override;
    std::unique_ptr<SpreadsheetApp> createSpreadsheetApp() override;
    void doEvents() override;
    void endProgram() override;
    int mousePointer() const override { return pointer_; }
    void setMousePointer(int code) override;
    void setMouseIcon(std::optional<QCursor> icon) override;

    // Qt's "a,b;c" filter form from the "Text|*.txt|All|*.*|" form.
    static QString qtFilter(const QString& filter);

private:
    int showMessageBox(const QString& text, const QString& title, int style);
    QString runSaveDialog(const QString& title, const QString& filter, const QString& offeredName,
                          int& chosenType, bool typedFile);
    void applyPointer();
    QPointer<QWidget> window_;
    SpreadsheetFactory spreadsheetFactory_;
    QElapsedTimer sinceEvents_;
    int pointer_ = 0;
    bool ending_ = false;
    bool overrideActive_ = false;
    std::optional<QCursor> icon_;
};

} // namespace amb
