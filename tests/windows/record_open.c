/* A stand-in spreadsheet program for the tests, registered for .xlsx in a Wine
 * prefix: it keeps a copy of the file it is asked to open and notes how.
 *
 *   record_open.exe VERB FILE
 *
 * writes received.xlsx (the file's bytes) and then received.txt ("VERB\nFILE\n",
 * UTF-8) beside itself; received.txt appears only once the copy is whole. */
#include <windows.h>
#include <stdio.h>
#include <wchar.h>

static int besideMe(wchar_t* path, size_t size, const wchar_t* name) {
    DWORD n = GetModuleFileNameW(NULL, path, (DWORD)size);
    if (n == 0 || n >= size)
        return 0;
    wchar_t* slash = wcsrchr(path, L'\\');
    if (!slash || (size_t)(slash - path) + wcslen(name) + 2 > size)
        return 0;
    wcscpy(slash + 1, name);
    return 1;
}

int wmain(int argc, wchar_t** argv) {
    if (argc != 3)
        return 2;
    wchar_t copy[MAX_PATH * 4], note[MAX_PATH * 4], part[MAX_PATH * 4];
    if (!besideMe(copy, MAX_PATH * 4, L"received.xlsx") ||
        !besideMe(note, MAX_PATH * 4, L"received.txt") ||
        !besideMe(part, MAX_PATH * 4, L"received.part"))
        return 3;
    if (!CopyFileW(argv[2], copy, FALSE))
        return 4;
    char text[MAX_PATH * 16];
    int length = WideCharToMultiByte(CP_UTF8, 0, argv[1], -1, text, (int)sizeof text, NULL, NULL);
    if (length <= 0)
        return 5;
    text[length - 1] = '\n';
    int more = WideCharToMultiByte(CP_UTF8, 0, argv[2], -1, text + length,
                                   (int)sizeof text - length - 1, NULL, NULL);
    if (more <= 0)
        return 5;
    text[length + more - 1] = '\n';
    FILE* out = _wfopen(part, L"wb");
    if (!out)
        return 6;
    const size_t bytes = (size_t)(length + more);
    const int written = fwrite(text, 1, bytes, out) == bytes;
    if (fclose(out) != 0 || !written || !MoveFileExW(part, note, MOVEFILE_REPLACE_EXISTING))
        return 6;
    return 0;
}
