#pragma once

// The order the importer stores the cities in, named in the database so that a
// reader without a collator (the tool's quick search) can tell whether the stored
// order is the search list's order for its user. Plain C++: the quick search loads
// no Qt library.

#include <string>
#include <string_view>

#if __has_include(<unicode/uvernum.h>)
#include <unicode/uvernum.h>
#define AMBREVALE_COLLATION_LIBRARY " icu" U_ICU_VERSION_SHORT
#else
#define AMBREVALE_COLLATION_LIBRARY ""
#endif

namespace amb {

// The table that names it, with one row; absent when the rows keep the file's order
// (a very large import) or the database comes from an older importer.
inline constexpr char kStoredOrderTable[] = "city_order";

// The name of the order of `collationLocale` ("en_US"): the locale and the major
// version of the collation library, whose rules may change between versions.
inline std::string storedOrderName(std::string_view collationLocale) {
    return std::string(collationLocale) + AMBREVALE_COLLATION_LIBRARY;
}

} // namespace amb
