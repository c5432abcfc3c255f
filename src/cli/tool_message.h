#pragma once

#include <string>
#include <string_view>

namespace amb::cli {

// A text as it may reach a terminal: control characters (C0, DEL and the UTF-8 encoded
// C1 range) written as \x1b, so a name or file name cannot clear the screen, move the
// cursor or ring the bell. With `keepLineEnds` a line feed stays as it is.
std::string escapedControls(std::string_view text, bool keepLineEnds = false);

// printf to standard error with every %s argument escaped as above; the format's own
// line ends stay. The tool's messages all go through here.
void printMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace amb::cli
