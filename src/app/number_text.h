#pragma once

// Writing a number as the user reads it, without Qt: the tool's quick search runs in
// a process that loads no Qt library, and LocaleNumbers builds on the same text.

namespace amb {

// Writes `value` with up to 15 significant digits in the form QLocale::toString(value,
// 'g', 15) gives in the C locale (digits, '.', '-', '+', 'e'; no sign for -0) into
// `buffer` (at least 32 bytes) and returns its length; 0 when `value` is not finite.
int numberText15(double value, char* buffer);

} // namespace amb
