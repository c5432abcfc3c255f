#include "app/file_io.h"

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
