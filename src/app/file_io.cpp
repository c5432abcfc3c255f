#include "app/file_io.h"

#include <QFile>
#include <string>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <sys/file.h>
#endif

namespace amb {

int openFile(const QString& path, int flags, int mode) {
#ifdef _WIN32
    return ::_wopen(path.toStdWString().c_str(), flags, mode);
#else
    return ::open(QFile::encodeName(path).constData(), flags, mode);
#endif
}

int statFile(const QString& path, struct stat* info) {
#ifdef _WIN32
    struct _stat64 wide {};
    if (::_wstat64(path.toStdWString().c_str(), &wide) != 0)
        return -1;
    *info = {};
    info->st_mode = wide.st_mode;
    info->st_size = static_cast<decltype(info->st_size)>(wide.st_size);
    info->st_mtime = static_cast<decltype(info->st_mtime)>(wide.st_mtime);
    return 0;
#else
    return ::stat(QFile::encodeName(path).constData(), info);
#endif
}

int accessFile(const QString& path, int mode) {
#ifdef _WIN32
    return ::_waccess(path.toStdWString().c_str(), mode);
#else
    return ::access(QFile::encodeName(path).constData(), mode);
#endif
}

QByteArray sqliteFileName(const QString& path) {
#ifdef _WIN32
    return path.toUtf8();
#else
    return QFile::encodeName(path);
#endif
}

bool lockExclusively(int fd) {
#ifdef _WIN32
    // Windows locks are mandatory for the bytes they cover: lock one byte far past
    // any data (and past the bytes SQLite locks), so reading and writing go on.
    const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    OVERLAPPED at{};
    at.Offset = 0;
    at.OffsetHigh = 0x40000000;
    return ::LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                        &at) != 0;
#else
    return ::flock(fd, LOCK_EX | LOCK_NB) == 0;
#endif
}

void useUtf8Console() {
#ifdef _WIN32
    ::SetConsoleOutputCP(CP_UTF8);
#endif
}

} // namespace amb
