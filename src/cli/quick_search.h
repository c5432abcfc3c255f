#pragma once

// The search as the tool's front runs it, in a process that loads SQLite and the C
// library alone: starting Qt and its Unicode libraries took most of a short
// search. It covers the common case, and hands everything else to the whole tool:
// a search text of plain ASCII, a user locale whose numbers and collation it knows
// (C and en_US), the text format, and a database whose rows the importer stored in
// that collation's order. Whatever it cannot answer exactly as the whole tool
// would, it leaves before writing a byte.

namespace amb::cli {

enum class QuickSearch {
    Printed,     // the rows are written
    WriteFailed, // the message is shown; exit status 1
    NotQuick,    // nothing is written: the whole tool is to answer
};

// `args` are the arguments after "search"; `programFolder` holds the default
// database.
QuickSearch runQuickSearch(int argc, char* const* args, const char* programFolder);

} // namespace amb::cli
