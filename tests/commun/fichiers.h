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
    const std::filesystem::path chemin = ::mkdtemp(
        (std::filesystem::temp_directory_path() / "horlivet_test.XXXXXX").string().data());
    dossier_temporaire() = default;
    dossier_temporaire(const dossier_temporaire&) = delete;  // one owner removes it
    ~dossier_temporaire() {
        std::error_code ignore;
        std::filesystem::permissions(chemin, std::filesystem::perms::owner_all, ignore);
        std::filesystem::remove_all(chemin, ignore);
    }
};

// The bytes of a file; the empty text when it cannot be read.
inline std::string lit_fichier(const std::filesystem::path& chemin) {
    std::ifstream in(chemin, std::ios::binary);
    // A /proc file of a process reaped meanwhile fails its read (ESRCH), which the stream
    // throws: that process is gone, and reads as nothing.
    try {
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    } catch (const std::ios_base::failure&) {
        return {};
    }
}

// Replaces a file with these bytes.
inline void ecrit_fichier(const std::filesystem::path& chemin, std::string_view octets) {
    std::ofstream(chemin, std::ios::binary).write(octets.data(), std::streamsize(octets.size()));
}

// The fixtures are written with LF; the same text with CR LF.
inline std::string en_crlf(std::string t) {
    for (auto i = t.find('\n'); i != std::string::npos; i = t.find('\n', i + 2)) t.insert(i, "\r");
    return t;
}

// The names in a folder, sorted (none when it is gone): a failed save must leave no
// temporary file behind, a launch no descriptor of ours in /proc/self/fd.
inline std::vector<std::string> noms_dans(const std::filesystem::path& dossier) {
    std::vector<std::string> noms;
    std::error_code ignore;
    for (const auto& e : std::filesystem::directory_iterator(dossier, ignore))
        noms.push_back(e.path().filename());
    std::sort(noms.begin(), noms.end());
    return noms;
}

}  // namespace horlivet::essai
