#pragma once

// The few descriptor-level file calls the program makes (open, read, write, dup),
// the same on Linux and Windows: mingw-w64 has them too, and there a file is opened
// in binary mode, so no byte is changed on its way in or out.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef _WIN32
#include <io.h>
#endif

#include <QByteArray>
#include <QString>

#if !defined(O_CLOEXEC) && defined(_O_NOINHERIT)
#define O_CLOEXEC _O_NOINHERIT // programs started from here do not inherit it
#endif
#ifndef O_BINARY
#define O_BINARY 0
#endif
#ifndef S_ISSOCK
#define S_ISSOCK(mode) false // Windows has no sockets in the file system
#endif

namespace amb {

// Opening a file to read it, unchanged, not handed to programs started from here.
inline constexpr int kOpenForReading = O_RDONLY | O_CLOEXEC | O_BINARY;

#ifdef _WIN32
inline constexpr const char* kNullDevice = "NUL";
#else
inline constexpr const char* kNullDevice = "/dev/null";
#endif

// Opens a file by name as open() does. On Windows the name goes to the system whole,
// through the wide-character call, whatever the ANSI code page (Windows 10 before
// 1903 ignores the manifest that makes it UTF-8).
int openFile(const QString& path, int flags, int mode = 0);

// stat() by name, with the same care for the name on Windows. Only st_mode, st_size
// and st_mtime are filled there.
int statFile(const QString& path, struct stat* info);
// access() by name, likewise.
int accessFile(const QString& path, int mode);

// A file name as SQLite takes it: UTF-8 on Windows, which SQLite turns into the
// wide-character name itself; elsewhere the bytes the file system stores.
QByteArray sqliteFileName(const QString& path);

// Takes an exclusive lock on an open file without waiting; false when another
// process holds one. The lock goes with the descriptor's close. It is advisory: it
// keeps no one from reading or writing the file.
bool lockExclusively(int fd);

// The tool writes UTF-8: on Windows, have the console show it as such (elsewhere
// the terminal already does).
void useUtf8Console();

} // namespace amb
