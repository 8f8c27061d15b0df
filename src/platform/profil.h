#pragma once

// The profile file: an INI file read and written key by key with the semantics of the
// classic profile functions, but parsed once and replaced atomically.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace horlivet {

struct contenu_profil;

// The blanks the reader trims around names and values: besides space and tab, the
// vertical tab, the form feed and the Ctrl-Z that old DOS editors end a file with.
constexpr bool est_blanc_profil(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1A';
}

// A parsed INI file. Copyable; cheap to move.
struct fichier_profil {
    std::shared_ptr<contenu_profil> contenu;
};

// Reads and parses the file once. A missing or unreadable file gives an empty profile;
// the save of a profile whose file existed but could not be read fails with that reason,
// rather than replace content it never saw. The encoding is decided line by line: a line
// that is valid UTF-8 reads as UTF-8, any other as Windows-1252, its five undefined bytes
// as the C1 controls U+0081, U+008D, U+008F, U+0090 and U+009D. A line never written
// keeps its bytes.
fichier_profil charge_profil(const std::string& chemin);
fichier_profil profil_de_texte(std::string_view octets);

// The value of `cle` in `section`, as GetPrivateProfileString gives it: names matched
// without regard to case, the first duplicate wins, the value trimmed of blanks and of
// one pair of enclosing quotes; the default (trailing spaces removed) when the section
// or key is missing; at most taille - 1 characters, never a split character.
std::string lit_profil(const fichier_profil& f, std::string_view section, std::string_view cle,
                       std::string_view defaut, std::size_t taille);

// Sets `cle` of `section` to `valeur`, as WritePrivateProfileString would: an existing
// key's line is replaced in place, a missing key is added after the last key of its
// section, a missing section at the end of the file. Everything else is kept, and so is
// the line of a key that already reads as `valeur` would. The line written is in
// Windows-1252 when the file's other lines are (some line is, none beyond ASCII is UTF-8,
// no byte order mark) and its text there reads back as written; in UTF-8 otherwise.
void ecrit_profil(fichier_profil& f, std::string_view section, std::string_view cle,
                  std::string_view valeur);

// The keys (a section line: "[name]") whose line was written in UTF-8 into a file in
// Windows-1252, as the code page lacks a character of it or its bytes there would read
// as UTF-8 instead; in the order written.
std::vector<std::string> ecrites_en_utf8(const fichier_profil& f);

// The bytes of the file as it stands in memory, in the encoding it will be saved in.
std::string texte_profil(const fichier_profil& f);

// Replaces the file at `chemin` with texte_profil(f) atomically: a temporary file in the
// same folder, flushed to disk, given the old file's permission bits, then renamed (over
// the file a link points to, so the link stays). A file that already holds those bytes
// is left alone. When the folder refuses the temporary file for lack of permission, an
// existing file is written in place instead (truncated, written, flushed): a crash then
// can leave it cut short. Returns the empty text on success, otherwise the reason (the
// system's error text, such as "Permission denied"); the old file is then left as it
// was, unless only the last step, flushing the file in place or the folder, failed: the
// new file is then in place but might not survive a power cut.
std::string enregistre_profil(const fichier_profil& f, const std::string& chemin);

}  // namespace horlivet
