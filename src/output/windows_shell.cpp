#include "output/windows_shell.h"

#ifdef Q_OS_WIN

#include <QDir>
#include <string>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <shellapi.h>

namespace amb {

bool openAsNewDocument(const QString& path) {
    const std::wstring file = QDir::toNativeSeparators(path).toStdWString();
    for (const wchar_t* verb : {L"new", L"open"}) {
        // ShellExecute reports success with a value above 32.
        const auto result = reinterpret_cast<INT_PTR>(
            ::ShellExecuteW(nullptr, verb, file.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
        if (result > 32)
            return true;
    }
    return false;
}

} // namespace amb

#endif
