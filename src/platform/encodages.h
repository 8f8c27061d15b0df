#pragma once

// The two encodings a settings file may be in, line by line: strict UTF-8 and the
// Windows-1252 code page of files written on Windows.

#include <string>
#include <string_view>

namespace horlivet {

// Strict UTF-8: no overlong form, no surrogate, nothing above U+10FFFF.
bool est_utf8(std::string_view s);

// A text written with the Windows-1252 code page, converted to UTF-8. Each byte gives its
// own character (the five bytes the code page leaves undefined map to the C1 controls of
// the same value, as Windows itself converts them), so vers_cp1252 gives back every byte.
std::string depuis_cp1252(std::string_view s);

// `s`, UTF-8, in Windows-1252, into `sortie` unless null. False when `s` holds a
// character the code page lacks, or is not UTF-8.
bool vers_cp1252(std::string_view s, std::string* sortie);

// Whether every byte of `s` is ASCII: nearly every line of a settings file, and one that
// reads the same in either encoding.
bool est_ascii(std::string_view s);

}  // namespace horlivet
