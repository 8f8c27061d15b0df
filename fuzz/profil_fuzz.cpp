// Any bytes as a profile file, then reads and writes of the names found in them. Each
// write is checked against the same write on the file read afresh, the way a save key by
// key would read it, and a plain write must read back as written and change nothing else,
// not a byte of another line, nor its own line when the key already read as the value
// written.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/profil.h"
#include "verifie.h"

namespace {

using namespace horlivet;

// Characters of a UTF-8 text.
std::size_t caracteres(std::string_view s) {
    std::size_t n = 0;
    for (unsigned char c : s) n += (c & 0xC0) != 0x80;
    return n;
}

// The blanks the reader trims: those of old DOS files too.
bool blanc(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == 0x1A; }

// `s` without its surrounding blanks.
std::string_view sans_blancs(std::string_view s) {
    while (!s.empty() && blanc(s.front())) s.remove_prefix(1);
    while (!s.empty() && blanc(s.back())) s.remove_suffix(1);
    return s;
}

// Names compare without regard to ASCII case, blanks around them aside.
bool meme_nom(std::string_view a, std::string_view b) {
    a = sans_blancs(a);
    b = sans_blancs(b);
    if (a.size() != b.size()) return false;
    for (std::size_t n = 0; n < a.size(); ++n) {
        const auto bas = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (bas(a[n]) != bas(b[n])) return false;
    }
    return true;
}

// What a reader gets back for a written value: blanks trimmed, one pair of quotes removed.
std::string relu(std::string_view v) {
    v = sans_blancs(v);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return std::string(v);
}

// No line break in `s`.
bool sur_une_ligne(std::string_view s) { return s.find_first_of("\r\n") == std::string_view::npos; }

// A write whose line reads back as that key: one line of UTF-8, and a key that is
// neither a comment, nor a section, nor holds the '=' that ends it.
bool ecriture_simple(std::string_view s, std::string_view k, std::string_view v) {
    const std::string_view debut = sans_blancs(k);
    return sur_une_ligne(s) && sur_une_ligne(k) && sur_une_ligne(v) && utf8_strict(s) &&
           utf8_strict(k) && utf8_strict(v) && k.find('=') == std::string_view::npos &&
           !debut.starts_with(';') && !debut.starts_with('[');
}

// Sections, keys and values seen in the first lines of the input, with the program's own.
struct noms {
    std::vector<std::string> sections{"ervaline", ""};
    std::vector<std::string> cles{"nom_0", "valid_2_7"};
    std::vector<std::string> valeurs{"x", " \"y\" "};
};

// The names and values of the first lines of the input.
noms noms_de(std::string_view octets) {
    noms r;
    for (int lignes = 0; lignes < 12 && !octets.empty(); ++lignes) {
        const std::size_t fin = std::min(octets.find_first_of("\r\n"), octets.size());
        const std::string_view ligne = octets.substr(0, fin);
        octets.remove_prefix(std::min(fin + 1, octets.size()));
        const std::string_view t = sans_blancs(ligne);
        if (t.starts_with('[') && r.sections.size() < 6) {
            r.sections.emplace_back(t.substr(1, t.rfind(']') - 1));
        } else if (const std::size_t egal = ligne.find('='); egal != std::string_view::npos) {
            if (r.cles.size() < 8) r.cles.emplace_back(ligne.substr(0, egal));
            if (r.valeurs.size() < 8) r.valeurs.emplace_back(ligne.substr(egal + 1));
        }
    }
    return r;
}

// The lines of `t` without their endings, the Ctrl-Z bytes that end a file aside.
std::vector<std::string_view> lignes(std::string_view t) {
    while (!t.empty() && t.back() == '\x1A') t.remove_suffix(1);
    std::vector<std::string_view> r;
    while (!t.empty()) {
        const std::size_t fin = std::min(t.find_first_of("\r\n"), t.size());
        r.push_back(t.substr(0, fin));
        t.remove_prefix(std::min(fin + (t.substr(fin, 2) == "\r\n" ? 2 : 1), t.size()));
    }
    return r;
}

// `apres` is `avant` with at most one line replaced and two added (a section line and
// its key), every other line's bytes kept.
bool une_ligne_changee(std::string_view avant, std::string_view apres) {
    const auto a = lignes(avant), b = lignes(apres);
    const std::size_t commun = std::min(a.size(), b.size());
    std::size_t debut = 0, fin = 0;
    while (debut < commun && a[debut] == b[debut]) ++debut;
    while (debut + fin < commun && a.rbegin()[fin] == b.rbegin()[fin]) ++fin;
    return a.size() - debut - fin <= 1 && b.size() - debut - fin <= 2;
}

// Every value of every section and key, as read; long enough never to be cut.
std::vector<std::string> lectures(const fichier_profil& f, const noms& n) {
    std::vector<std::string> r;
    for (const auto& s : n.sections)
        for (const auto& k : n.cles) r.push_back(lit_profil(f, s, k, "defaut", 1 << 30));
    return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille) {
    const std::string_view octets(reinterpret_cast<const char*>(donnees), taille);
    const fichier_profil f = profil_de_texte(octets);
    const std::string texte = texte_profil(f);
    verifie(texte == octets, "a file comes back byte for byte, in its encoding");
    verifie(texte_profil(profil_de_texte(texte)) == texte, "the text read again is the same");

    const noms n = noms_de(octets);
    const fichier_profil relu_tel_quel = profil_de_texte(texte);
    for (const auto& s : n.sections) {
        for (const auto& k : n.cles) {
            for (std::size_t t : {0, 1, 2, 64}) {
                const std::string v = lit_profil(f, s, k, "défaut  ", t);
                verifie(t == 0 ? v.empty() : caracteres(v) < t, "at most taille - 1 characters");
                verifie(utf8_strict(v), "a value is never a split character");
                verifie(v == lit_profil(relu_tel_quel, s, k, "défaut  ", t),
                        "the file and its text read the same");
            }
        }
    }

    fichier_profil g = f;
    for (std::size_t j = 0; j < 4; ++j) {
        const std::string& s = n.sections[j % n.sections.size()];
        const std::string& k = n.cles[(j + 1) % n.cles.size()];
        const std::string& v = n.valeurs[(j + 2) % n.valeurs.size()];
        const std::vector<std::string> avant = lectures(g, n);
        const std::string texte_avant = texte_profil(g);
        // A line that never reads as a value: the key is missing.
        const std::string deja = lit_profil(g, s, k, "\n", 1 << 30);

        fichier_profil frais = profil_de_texte(texte_profil(g));
        ecrit_profil(frais, s, k, v);
        ecrit_profil(g, s, k, v);
        const std::string apres = texte_profil(g);
        verifie(apres == texte_profil(frais), "a write gives the bytes of the file read afresh");
        const std::vector<std::string> lues = lectures(g, n);
        verifie(lues == lectures(profil_de_texte(apres), n), "what is written reads the same");

        if (!ecriture_simple(s, k, v)) continue;
        verifie(lit_profil(g, s, k, "", 1 << 30) == relu(v), "a plain write reads back");
        // A Ctrl-Z in the value may end the file: the writer rewrites such a line.
        if (deja == relu(v) && v.find('\x1A') == std::string::npos)
            verifie(apres == texte_avant, "a key that already reads so keeps its line");
        verifie(une_ligne_changee(texte_avant, apres), "a write keeps every other line's bytes");
        std::size_t m = 0;
        for (const auto& s2 : n.sections) {
            for (const auto& k2 : n.cles) {
                if (!(meme_nom(s, s2) && meme_nom(k, k2)))
                    verifie(lues[m] == avant[m], "a plain write changes no other key");
                ++m;
            }
        }
    }
    verifie(texte_profil(f) == texte, "writes to a copy do not show in the original");
    return 0;
}
