#pragma once

#include <QByteArray>
#include <QString>

class QWidget;

namespace amb {

class Form1;

// The skin component. A skin file holds a Qt style sheet (UTF-8).
//  - Options flag 1 (kSkinDialogs): message boxes and the save dialog wear the skin
//    too; the sheet is set on the whole application instead of the one window.
//  - Switch ApplyWindowStyle: ApplyWindow dresses the window with the sheet.
//  - Switch UseFusionStyle: the Fusion widget style lies under the sheet, so the
//    skin looks the same on every desktop.
// LoadSkin throws RunTimeError when the file cannot be read or holds no rules.
class SkinFramework {
public:
    static constexpr int kSkinDialogs = 1;

    void LoadSkin(const QString& path, const QString& iniFileName);
    // The same for the file's bytes, read already; `path` names it in the message.
    void LoadSkinBytes(const QByteArray& bytes, const QString& path);
    void ApplyWindow(QWidget* window);

    int Options = 0;
    bool ApplyWindowStyle = false;
    bool UseFusionStyle = false;

    const QString& styleSheet() const { return sheet_; }
    bool loaded() const { return !sheet_.isEmpty(); }

private:
    QString sheet_;
};

QString skinFilePath();

// Applies the skin file beside the program to the main window, when there is one.
// Failures pass to the caller's error report.
void ApplySkin(Form1& form);

} // namespace amb
