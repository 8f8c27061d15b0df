#pragma once

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <string_view>

// Aborts, which libFuzzer reports with the input, when a property does not hold.
inline void verifie(bool vrai, const char* quoi) {
    if (vrai) return;
    std::fprintf(stderr, "not true: %s\n", quoi);
    std::abort();
}

// Strict UTF-8 (no overlong form, no surrogate, nothing above U+10FFFF), written apart
// from the reader's own check.
inline bool utf8_strict(std::string_view s) {
    static constexpr char32_t minimum[] = {0, 0x80, 0x800, 0x10000};
    for (std::size_t n = 0; n < s.size();) {
        const auto c = static_cast<unsigned char>(s[n]);
        std::size_t suite = 0;
        char32_t point = 0;
        if (c < 0x80) {
            ++n;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            suite = 1;
            point = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            suite = 2;
            point = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            suite = 3;
            point = c & 0x07;
        } else {
            return false;
        }
        if (s.size() - n <= suite) return false;
        for (std::size_t k = 1; k <= suite; ++k) {
            const auto d = static_cast<unsigned char>(s[n + k]);
            if ((d & 0xC0) != 0x80) return false;
            point = point << 6 | (d & 0x3F);
        }
        if (point < minimum[suite] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF))
            return false;
        n += suite + 1;
    }
    return true;
}
