#include "platform/encodages.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace horlivet {

namespace {

// Windows-1252 for 0x80..0x9F. The five bytes the code page leaves undefined (0x81,
// 0x8D, 0x8F, 0x90, 0x9D) map to the C1 controls of the same value, as Windows itself
// converts them: no byte of the old file is lost.
constexpr std::array<char16_t, 32> cp1252_80 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

}  // namespace

bool est_utf8(std::string_view s) {
    std::size_t n = 0;
    while (n < s.size()) {
        // Runs of ASCII, nearly all of a settings file, 32 bytes at a time.
        while (s.size() - n >= 32) {
            std::uint64_t mots[4];
            std::memcpy(mots, s.data() + n, sizeof mots);
            if (((mots[0] | mots[1] | mots[2] | mots[3]) & 0x8080808080808080ull) != 0) break;
            n += 32;
        }
        if (n == s.size()) break;
        const auto c = static_cast<unsigned char>(s[n]);
        if (c < 0x80) {
            ++n;
            continue;
        }
        std::size_t suite = 0;
        unsigned char min = 0x80, max = 0xBF;  // the allowed range of the second byte
        if (c >= 0xC2 && c <= 0xDF) {
            suite = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            suite = 2;
            if (c == 0xE0) min = 0xA0;
            if (c == 0xED) max = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            suite = 3;
            if (c == 0xF0) min = 0x90;
            if (c == 0xF4) max = 0x8F;
        } else {
            return false;
        }
        if (s.size() - n <= suite) return false;
        for (std::size_t k = 1; k <= suite; ++k) {
            const auto d = static_cast<unsigned char>(s[n + k]);
            const unsigned char bas = k == 1 ? min : 0x80, haut = k == 1 ? max : 0xBF;
            if (d < bas || d > haut) return false;
        }
        n += suite + 1;
    }
    return true;
}

std::string depuis_cp1252(std::string_view s) {
    std::string u;
    u.reserve(s.size() + s.size() / 4);
    for (char octet : s) {
        const auto c = static_cast<unsigned char>(octet);
        const char32_t point = c >= 0x80 && c <= 0x9F ? cp1252_80[c - 0x80] : c;
        if (point < 0x80) {
            u += static_cast<char>(point);
        } else if (point < 0x800) {
            u += static_cast<char>(0xC0 | (point >> 6));
            u += static_cast<char>(0x80 | (point & 0x3F));
        } else {
            u += static_cast<char>(0xE0 | (point >> 12));
            u += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
            u += static_cast<char>(0x80 | (point & 0x3F));
        }
    }
    return u;
}

bool vers_cp1252(std::string_view s, std::string* sortie) {
    if (sortie != nullptr) {
        sortie->clear();
        sortie->reserve(s.size());
    }
    for (std::size_t n = 0; n < s.size();) {
        const auto c = static_cast<unsigned char>(s[n]);
        const std::size_t longueur = c < 0x80 ? 1 : c >= 0xC2 && c <= 0xDF ? 2 : c == 0xE2 ? 3 : 0;
        // Every character of the code page is below U+2200: two bytes, or three after E2.
        if (longueur == 0 || s.size() - n < longueur) return false;
        char32_t point = longueur == 1 ? c : longueur == 2 ? c & 0x1F : c & 0x0F;
        for (std::size_t k = 1; k < longueur; ++k) {
            const auto d = static_cast<unsigned char>(s[n + k]);
            if ((d & 0xC0) != 0x80) return false;
            point = point << 6 | (d & 0x3F);
        }
        n += longueur;
        int octet = point < 0x80 || (point >= 0xA0 && point <= 0xFF) ? static_cast<int>(point) : -1;
        for (std::size_t k = 0; k < cp1252_80.size() && octet < 0; ++k) {
            if (cp1252_80[k] == point) octet = static_cast<int>(0x80 + k);
        }
        if (octet < 0) return false;
        if (sortie != nullptr) *sortie += static_cast<char>(octet);
    }
    return true;
}

bool est_ascii(std::string_view s) {
    std::size_t n = 0;
    for (; s.size() - n >= 8; n += 8) {
        std::uint64_t mot;
        std::memcpy(&mot, s.data() + n, sizeof mot);
        if ((mot & 0x8080808080808080ull) != 0) return false;
    }
    for (; n < s.size(); ++n)
        if (static_cast<unsigned char>(s[n]) >= 0x80) return false;
    return true;
}

}  // namespace horlivet
