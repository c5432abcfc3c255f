#pragma once

#include "app/platform.h"

namespace amb {

// The command-line tool's platform: message boxes go to standard error and are
// answered OK; nothing else of the window exists.
class ConsolePlatform : public Platform {
public:
    int messageBox(const QString& text, const QString& title, int style) override;
    QString saveFileName(const QString&, const QString&, const QString&) override { return {}; }
    void clipboardClear() override;
    void clipboardSetText(const QString&) override;
    QString readSetting(const QString&, const QString&, const QString&,
                        const QString& defaultValue) override {
        return defaultValue;
    }
    void writeSetting(const QString&, const QString&, const QString&, const QString&) override {}
    std::unique_ptr<SpreadsheetApp> createSpreadsheetApp() override;
    void doEvents() override {}
    int mousePointer() const override { return pointer_; }
    void setMousePointer(int code) override { pointer_ = code; }
    void setMouseIcon(std::optional<QCursor>) override {}

    int reportsShown() const { return reports_; }

private:
    int pointer_ = 0;
    int reports_ = 0;
};

} // namespace amb
