#pragma once

#include <QString>

namespace amb {

// The About box's text: the version, the licence, the database beside the program
// (its number of cities, or that none could be read) and the data's sources.
QString aboutText();

} // namespace amb
