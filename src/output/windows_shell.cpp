#include "output/windows_shell.h"

#ifdef Q_OS_WIN

#include <QDir>
#include <iterator>
#include <string>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <shellapi.h>
#include <shlwapi.h>

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

bool hasProgramForFileType(const QString& extension) {
    const std::wstring type = extension.toStdWString();
    wchar_t executable[MAX_PATH * 4];
    DWORD size = static_cast<DWORD>(std::size(executable));
    // The program of the type's default verb; "new" is asked as well, for a program
    // that registers only that one.
    for (const wchar_t* verb : {static_cast<const wchar_t*>(nullptr), L"new"}) {
        size = static_cast<DWORD>(std::size(executable));
        if (::AssocQueryStringW(ASSOCF_INIT_IGNOREUNKNOWN | ASSOCF_NOTRUNCATE,
                                ASSOCSTR_EXECUTABLE, type.c_str(), verb, executable,
                                &size) == S_OK &&
            executable[0] != L'\0')
            return true;
    }
    return false;
}

} // namespace amb

#endif
