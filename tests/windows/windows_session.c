/* Starts a program in the environment Windows gives a new session of this user,
 * not in the one this launcher was started with: under Wine that one holds the
 * Linux host's variables (DISPLAY, HOME, LANG, ...), which no Windows program
 * ever sees.
 *
 *   windows_session.exe [--verbatim] [NAME=VALUE | NAME+=VALUE]... -- PROGRAM [ARGUMENT]...
 *
 * NAME=VALUE sets a variable in that environment, NAME+=VALUE puts VALUE in front
 * of it (a folder in front of PATH). The arguments are quoted as the C runtime
 * splits them; with --verbatim they are joined with spaces as they are, for a
 * program that reads its command line itself (an installer's "/D=C:\a folder"). The launcher waits for the program and ends
 * with its exit status; 125 when it cannot start it. */
#include <windows.h>
#include <userenv.h>
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

static int failed(const wchar_t* what, const wchar_t* name) {
    fwprintf(stderr, L"windows_session: %ls %ls (error %lu)\n", what, name ? name : L"",
             GetLastError());
    return 125;
}

/* One variable: "NAME=VALUE" in a buffer of its own. */
typedef struct {
    wchar_t** items;
    size_t count;
} Variables;

static wchar_t* joined(const wchar_t* a, const wchar_t* b, const wchar_t* c) {
    size_t n = wcslen(a) + wcslen(b) + wcslen(c) + 1;
    wchar_t* s = malloc(n * sizeof(wchar_t));
    if (!s)
        exit(failed(L"out of memory", NULL));
    swprintf(s, n, L"%ls%ls%ls", a, b, c);
    return s;
}

/* Windows names are compared without case: "Path" is PATH. */
static wchar_t** find(Variables* vars, const wchar_t* name, size_t length) {
    for (size_t i = 0; i < vars->count; ++i)
        if (_wcsnicmp(vars->items[i], name, length) == 0 && vars->items[i][length] == L'=')
            return &vars->items[i];
    return NULL;
}

static void set(Variables* vars, const wchar_t* assignment) {
    const wchar_t* plus = wcsstr(assignment, L"+=");
    const wchar_t* equals = wcschr(assignment, L'=');
    const int prepend = plus && plus < equals;
    size_t length = (size_t)((prepend ? plus : equals) - assignment);
    wchar_t* name = _wcsdup(assignment);
    name[length] = 0;
    const wchar_t* value = equals + 1;
    wchar_t** slot = find(vars, name, length);
    wchar_t* item;
    if (prepend && slot) {
        wchar_t* first = joined(value, L";", L"");
        item = joined(name, L"=", joined(first, wcschr(*slot, L'=') + 1, L""));
    } else {
        item = joined(name, L"=", value);
    }
    if (slot) {
        *slot = item;
    } else {
        vars->items = realloc(vars->items, (vars->count + 1) * sizeof(wchar_t*));
        vars->items[vars->count++] = item;
    }
}

static int byName(const void* a, const void* b) {
    return _wcsicmp(*(wchar_t* const*)a, *(wchar_t* const*)b);
}

/* One argument quoted as the C runtime splits a command line. */
static void appendQuoted(wchar_t** line, size_t* size, const wchar_t* argument, int verbatim) {
    size_t needed = wcslen(*line) + 2 * wcslen(argument) + 4;
    if (needed > *size) {
        *size = needed * 2;
        *line = realloc(*line, *size * sizeof(wchar_t));
    }
    wchar_t* out = *line + wcslen(*line);
    if (out != *line)
        *out++ = L' ';
    if (verbatim || (*argument && !wcspbrk(argument, L" \t\n\v\""))) {
        wcscpy(out, argument);
        return;
    }
    *out++ = L'"';
    for (const wchar_t* p = argument;; ++p) {
        size_t backslashes = 0;
        while (*p == L'\\') {
            ++p;
            ++backslashes;
        }
        if (!*p) {
            for (size_t i = 0; i < 2 * backslashes; ++i)
                *out++ = L'\\';
            break;
        }
        if (*p == L'"')
            backslashes = 2 * backslashes + 1;
        for (size_t i = 0; i < backslashes; ++i)
            *out++ = L'\\';
        *out++ = *p;
    }
    *out++ = L'"';
    *out = 0;
}

int wmain(int argc, wchar_t** argv) {
    int first = 1;
    const int verbatim = argc > 1 && wcscmp(argv[1], L"--verbatim") == 0;
    if (verbatim)
        ++first;
    int program = first;
    while (program < argc && wcscmp(argv[program], L"--") != 0)
        ++program;
    if (program + 1 >= argc) {
        fwprintf(stderr, L"usage: windows_session [--verbatim] [NAME=VALUE | NAME+=VALUE]... -- PROGRAM "
                         L"[ARGUMENT]...\n");
        return 125;
    }

    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_IMPERSONATE,
                          &token))
        return failed(L"cannot open this process's token", NULL);
    wchar_t* block;
    /* FALSE: nothing of this process's own environment goes in. */
    if (!CreateEnvironmentBlock((void**)&block, token, FALSE))
        return failed(L"cannot make the session's environment", NULL);
    Variables vars = {NULL, 0};
    for (wchar_t* p = block; *p; p += wcslen(p) + 1) {
        vars.items = realloc(vars.items, (vars.count + 1) * sizeof(wchar_t*));
        vars.items[vars.count++] = _wcsdup(p);
    }
    DestroyEnvironmentBlock(block);
    for (int i = first; i < program; ++i) {
        if (!wcschr(argv[i], L'=') || argv[i][0] == L'=')
            return failed(L"not NAME=VALUE:", argv[i]);
        set(&vars, argv[i]);
    }
    /* Windows keeps an environment block sorted by name. */
    qsort(vars.items, vars.count, sizeof(wchar_t*), byName);
    size_t total = 1;
    for (size_t i = 0; i < vars.count; ++i)
        total += wcslen(vars.items[i]) + 1;
    wchar_t* environment = malloc(total * sizeof(wchar_t));
    wchar_t* at = environment;
    for (size_t i = 0; i < vars.count; ++i) {
        wcscpy(at, vars.items[i]);
        at += wcslen(at) + 1;
    }
    *at = 0;

    size_t size = 256;
    wchar_t* line = calloc(size, sizeof(wchar_t));
    for (int i = program + 1; i < argc; ++i)
        appendQuoted(&line, &size, argv[i], verbatim && i > program + 1);

    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION started;
    if (!CreateProcessW(NULL, line, NULL, NULL, TRUE, CREATE_UNICODE_ENVIRONMENT, environment,
                        NULL, &startup, &started))
        return failed(L"cannot start", argv[program + 1]);
    CloseHandle(started.hThread);
    WaitForSingleObject(started.hProcess, INFINITE);
    DWORD status = 125;
    GetExitCodeProcess(started.hProcess, &status);
    return (int)status;
}
