#pragma once

#include <QString>

namespace amb {

// The form of a city name that searches compare: lower case, accents and other
// combining marks removed, letters without a decomposition spelt out (œ -> oe,
// ß -> ss, ø -> o, ł -> l, ...), typographic apostrophes and dashes made plain.
// The importer stores it in the `city` column and the search folds the typed text
// with the same function, so a name is found by any spelling that folds alike:
// "zur", "Zür" and "ZUR" all find Zürich. Spaces are kept; nothing is trimmed.
// Folding a folded name changes nothing.
QString foldCityName(const QString& name);

// The smallest text greater than every text that begins with `prefix`, in code
// point order (the order of SQLite's binary comparison of UTF-8 text): the prefix
// with its last code point incremented. A null QString when there is none (the
// prefix is empty or made only of the highest code point).
QString prefixUpperBound(const QString& prefix);

} // namespace amb
