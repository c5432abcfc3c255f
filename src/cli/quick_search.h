#pragma once

// The search as the tool's front runs it, in a process that loads SQLite and the C
// library alone: starting Qt and its Unicode libraries took most of a short
// search. It covers the common case: a search text of plain ASCII, a user locale
// whose numbers and collation it knows (C and en_US), the text format, and a
// database whose rows the importer stored in that collation's order. Every other
// search goes to the lookup tool, which shares the window's code; whatever the
// front cannot answer exactly as that tool would, it leaves before writing a byte.

namespace amb::cli {

enum class QuickSearch {
    Printed,     // the rows are written
    WriteFailed, // the message is shown; exit status 1
    NotQuick,    // nothing is written: the lookup tool is to answer
};

// `args` are the arguments after "search"; `programFolder` holds the default
// database.
QuickSearch runQuickSearch(int argc, char* const* args, const char* programFolder);

} // namespace amb::cli
