#pragma once

// Files for the tests: a temporary folder, whole-file reads and writes, line endings.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include <stdlib.h>

namespace horlivet::essai {

// A fresh folder, removed with what it holds at the end of the test.
struct dossier_temporaire {
    std::filesystem::path chemin;
    dossier_temporaire() {
        std::string modele =
            (std::filesystem::temp_directory_path() / "horlivet_test.XXXXXX").string();
        chemin = ::mkdtemp(modele.data());
    }
    ~dossier_temporaire() {
        std::error_code ignore;
        std::filesystem::permissions(chemin, std::filesystem::perms::owner_all, ignore);
        std::filesystem::remove_all(chemin, ignore);
    }
    dossier_temporaire(const dossier_temporaire&) = delete;
    dossier_temporaire& operator=(const dossier_temporaire&) = delete;
};

// The bytes of a file; the empty text when it cannot be read.
inline std::string lit_fichier(const std::filesystem::path& chemin) {
    std::ifstream in(chemin, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Replaces a file with these bytes.
inline void ecrit_fichier(const std::filesystem::path& chemin, std::string_view octets) {
    std::ofstream out(chemin, std::ios::binary | std::ios::trunc);
    out.write(octets.data(), static_cast<std::streamsize>(octets.size()));
}

// The fixtures are written with LF; the same text with CR LF.
inline std::string en_crlf(std::string_view texte) {
    std::string t;
    for (char c : texte) {
        if (c == '\n') t += '\r';
        t += c;
    }
    return t;
}

// The names in a folder, sorted: a failed save must leave no temporary file behind.
inline std::vector<std::string> noms_dans(const std::filesystem::path& dossier) {
    std::vector<std::string> noms;
    for (const auto& e : std::filesystem::directory_iterator(dossier)) {
        noms.push_back(e.path().filename());
    }
    std::sort(noms.begin(), noms.end());
    return noms;
}

}  // namespace horlivet::essai
