// The pointer picture beside the program (HAND-M.CUR), from its bytes: a cursor or
// a RunTimeError, nothing else.
#include "fuzz_support.h"

#include "app/cursor_file.h"
#include "app/runtime_error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::startQt(true);
    try {
        amb::cursorFromBytes(
            QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)),
            QStringLiteral("HAND-M.CUR"));
    } catch (const amb::RunTimeError&) {
    }
    return 0;
}
