#include "platform/profil.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <deque>
#include <mutex>
#include <unordered_map>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/encodages.h"

namespace horlivet {

namespace {

// How a line ends in the file. A line without an ending can only be the last one.
enum class fin_ligne : unsigned char { aucune, lf, crlf, cr };

// One line, without its ending, as UTF-8. The text points into the file as read, into
// its decoding from Windows-1252 or into a line written since; none ever moves nor changes.
struct ligne {
    std::string_view texte;
    fin_ligne fin = fin_ligne::aucune;
    bool cp1252 = false;  // its bytes in the file are the text in Windows-1252
};

// `s` without its surrounding blanks.
std::string_view sans_blancs(std::string_view s) {
    while (!s.empty() && est_blanc_profil(s.front())) s.remove_prefix(1);
    while (!s.empty() && est_blanc_profil(s.back())) s.remove_suffix(1);
    return s;
}

// ASCII lower case only: names are compared without regard to case, bytes above 0x7F
// compare as they are.
char minuscule(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Section and key names hash and compare without regard to ASCII case, so the index
// holds views of the names as spelled in the file and no lower-case copies.
struct hachage_insensible {
    using is_transparent = void;  // the index is searched with views, without a copy
    std::size_t operator()(std::string_view s) const noexcept {
        std::size_t h = 14695981039346656037ull;
        for (char c : s) {
            h ^= static_cast<unsigned char>(minuscule(c));
            h *= 1099511628211ull;
        }
        return h;
    }
};

// Equality matching hachage_insensible.
struct egalite_insensible {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const noexcept {
        if (a.size() != b.size()) return false;
        for (std::size_t n = 0; n < a.size(); ++n) {
            if (minuscule(a[n]) != minuscule(b[n])) return false;
        }
        return true;
    }
};

// The first line of each key name of a section: open addressing over a power-of-two
// table kept at most half full, each name with its hash. A table of nodes made this
// index most of the cost of a settings load.
struct index_cles {
    struct entree {
        std::string_view nom;
        std::size_t code = 0;
        std::size_t ligne = std::string::npos;  // npos: an empty slot
    };
    std::vector<entree> cases;
    std::size_t nombre = 0;
};

// The slot of `nom`, or the empty slot where it would go.
std::size_t case_de(const index_cles& x, std::string_view nom, std::size_t code) {
    const std::size_t masque = x.cases.size() - 1;
    // The high bits of a multiplicative hash: FNV's low bits depend on the low bits of
    // each byte only, and names like "valid_1" to "valid_7" would crowd together.
    for (std::size_t n = (code * 0x9E3779B97F4A7C15ull) >> 40 & masque;; n = (n + 1) & masque) {
        const index_cles::entree& e = x.cases[n];
        if (e.ligne == std::string::npos || (e.code == code && egalite_insensible{}(e.nom, nom)))
            return n;
    }
}

// Room for `nombre` names without growing.
void prepare(index_cles& x, std::size_t nombre) {
    std::size_t taille = 16;
    while (taille < 2 * nombre) taille *= 2;
    if (taille <= x.cases.size()) return;
    std::vector<index_cles::entree> anciennes(taille);
    anciennes.swap(x.cases);
    for (const index_cles::entree& e : anciennes) {
        if (e.ligne != std::string::npos) x.cases[case_de(x, e.nom, e.code)] = e;
    }
}

// The line of `nom`, or npos.
std::size_t cherche(const index_cles& x, std::string_view nom) {
    if (x.cases.empty()) return std::string::npos;
    return x.cases[case_de(x, nom, hachage_insensible{}(nom))].ligne;
}

// Indexes `nom` at `ligne` unless it has a line already: the first line of a name wins.
void ajoute(index_cles& x, std::string_view nom, std::size_t ligne) {
    prepare(x, x.nombre + 1);
    const std::size_t code = hachage_insensible{}(nom);
    index_cles::entree& e = x.cases[case_de(x, nom, code)];
    if (e.ligne != std::string::npos) return;
    e = {nom, code, ligne};
    ++x.nombre;
}

// What a line is to the reader, with the name it carries (blanks trimmed).
enum class genre_ligne { autre, commentaire, section, cle };
struct sens_ligne {
    genre_ligne genre = genre_ligne::autre;
    std::string_view nom;
};

// Classifies a line as the reader sees it. A section line needs a closing bracket (the
// last one on the line ends the name); a line starting with '[' but without one is read
// like any other line.
sens_ligne analyse(std::string_view texte) {
    std::string_view t = texte;
    while (!t.empty() && est_blanc_profil(t.front())) t.remove_prefix(1);
    if (t.empty()) return {};
    if (t.front() == ';') return {genre_ligne::commentaire, {}};
    if (t.front() == '[') {
        const std::size_t fermante = t.rfind(']');
        if (fermante != std::string_view::npos) {
            return {genre_ligne::section, sans_blancs(t.substr(1, fermante - 1))};
        }
    }
    const std::size_t egal = t.find('=');
    if (egal == std::string_view::npos) return {};
    return {genre_ligne::cle, sans_blancs(t.substr(0, egal))};
}

// The lines of a section, split. New keys go after the last key line, so the lines are
// kept in two parts and an added key is a push_back.
struct lignes_section {
    std::vector<ligne> corps;         // through the last key line
    std::vector<ligne> queue;         // after it: comments, blank lines, lines without '='
    index_cles cles;                  // the first line of each key, in corps
    std::deque<std::string> decodes;  // the text of its lines read as Windows-1252
};

// A section line and what follows it up to the next section line. Most sections of a
// large file are never looked into: their lines are split only at the first look-up or
// write, and until then the save copies their bytes whole.
struct section_profil {
    bool a_entete = true;  // false for the lines before the first section
    ligne entete;
    std::string_view nom;   // as the reader sees it, blanks trimmed
    std::string_view brut;  // the bytes of the lines after the section line, endings included
    // Split by lignes_de. Copies of a profile share them, hence the once_flag.
    mutable std::unique_ptr<lignes_section> lignes;
    mutable std::once_flag decoupage;
    mutable std::atomic<bool> decoupee{false};
};

// The line of `t` that starts at `debut`, and where the next one starts.
std::pair<ligne, std::size_t> ligne_a(std::string_view t, std::size_t debut) {
    std::size_t rupture = debut;
    while (rupture < t.size() && t[rupture] != '\n' && t[rupture] != '\r') ++rupture;
    ligne l{t.substr(debut, rupture - debut)};
    if (rupture == t.size()) return {l, rupture};
    if (t[rupture] == '\n') {
        l.fin = fin_ligne::lf;
    } else {
        l.fin = t.substr(rupture + 1, 1) == "\n" ? fin_ligne::crlf : fin_ligne::cr;
    }
    return {l, rupture + (l.fin == fin_ligne::crlf ? 2 : 1)};
}

// Calls f with each line of `t`, in order.
template <typename F>
void pour_chaque_ligne(std::string_view t, F&& f) {
    for (std::size_t debut = 0; debut < t.size();) {
        const auto [l, suivante] = ligne_a(t, debut);
        f(l);
        debut = suivante;
    }
}

// A line of the file as its bytes read: as they are when they are UTF-8, otherwise
// decoded from Windows-1252 into `decodes`, where the text never moves.
ligne decode(ligne l, std::deque<std::string>& decodes);

// The lines of a section, split at the first call.
lignes_section& lignes_de(const section_profil& s) {
    // call_once costs more than this test, and the lines are asked for at every look-up.
    if (s.decoupee.load(std::memory_order_acquire)) return *s.lignes;
    std::call_once(s.decoupage, [&s] {
        auto l = std::make_unique<lignes_section>();
        pour_chaque_ligne(s.brut, [&](const ligne& octets) {
            const ligne ligne_lue = decode(octets, l->decodes);
            const sens_ligne sens = analyse(ligne_lue.texte);
            if (sens.genre != genre_ligne::cle) {
                l->queue.push_back(ligne_lue);
                return;
            }
            // The lines held back were not after the last key line after all.
            l->corps.insert(l->corps.end(), l->queue.begin(), l->queue.end());
            l->queue.clear();
            l->corps.push_back(ligne_lue);
            ajoute(l->cles, sens.nom, l->corps.size() - 1);
        });
        s.lignes = std::move(l);
        s.decoupee.store(true, std::memory_order_release);
    });
    return *s.lignes;
}

}  // namespace

// Not copyable: the lines and the indexes point into the text it owns.
struct contenu_profil {
    contenu_profil() { preambule.a_entete = false; }
    contenu_profil(const contenu_profil&) = delete;
    contenu_profil& operator=(const contenu_profil&) = delete;

    std::string octets;   // the file as read
    std::string bom;      // the UTF-8 byte order mark the file started with, if any
    std::string fin_dos;  // the Ctrl-Z bytes the file ended with, kept last
    std::deque<std::string> entetes_decodes;  // section lines read as Windows-1252
    // Lines beyond ASCII read or written as UTF-8, and as Windows-1252: a line written
    // takes the file's encoding, which they give. Counted at the first write that needs
    // them, since a load never does, then kept up to date.
    bool compte = false;
    std::size_t lignes_utf8 = 0, lignes_cp1252 = 0;
    // The names of the lines written as UTF-8 although the file was in Windows-1252.
    std::vector<std::string> ecrites_en_utf8;
    std::deque<std::string> ajouts;            // the text of the lines written since
    fin_ligne fin_nouvelle = fin_ligne::crlf;  // the ending of added lines
    section_profil preambule;                  // the lines before the first section
    std::deque<section_profil> sections;       // in file order; a deque never moves them
    // The position in `sections` of the first section of each name looked up so far;
    // npos for none. A name not looked up yet is searched section by section: a large
    // file has many sections and the program asks for one, so indexing them all at the
    // load would cost more than it saves. Copies of a profile share it, hence the lock.
    mutable std::mutex verrou_index;
    mutable std::unordered_map<std::string, std::size_t, hachage_insensible, egalite_insensible>
        index;
    // The entry of the name looked up last: a load asks for one section key after key.
    // Entries never move nor go.
    mutable const std::pair<const std::string, std::size_t>* derniere = nullptr;
    // Why an existing file could not be read. The profile is then empty, and saving it
    // would lose what the file holds, so the save refuses.
    std::string erreur_lecture;
};

namespace {

// The bytes of a line ending.
std::string_view octets_fin(fin_ligne f) {
    switch (f) {
        case fin_ligne::lf:
            return "\n";
        case fin_ligne::crlf:
            return "\r\n";
        case fin_ligne::cr:
            return "\r";
        case fin_ligne::aucune:
            break;
    }
    return {};
}

ligne decode(ligne l, std::deque<std::string>& decodes) {
    if (est_utf8(l.texte)) return l;
    l.texte = decodes.emplace_back(depuis_cp1252(l.texte));
    l.cp1252 = true;
    return l;
}

constexpr std::string_view bom_utf8 = "\xEF\xBB\xBF";

// Finds the sections of `c.octets` and indexes them. Only section lines are looked for
// here; the lines of each section are split when it is first used. The bytes that matter
// here are ASCII, the same in both encodings: only section lines are decoded.
void decoupe(contenu_profil& c) {
    std::string_view t = c.octets;
    if (t.starts_with(bom_utf8)) {
        c.bom = bom_utf8;
        t.remove_prefix(bom_utf8.size());
    }
    // An old DOS editor ends a file with Ctrl-Z: it stays last, after any line added.
    const std::size_t fin_texte = t.find_last_not_of('\x1A') + 1;  // 0 for none
    c.fin_dos = t.substr(fin_texte);
    t.remove_suffix(c.fin_dos.size());
    // Added lines end like the first line that has an ending.
    if (const ligne premiere = ligne_a(t, 0).first; premiere.fin != fin_ligne::aucune)
        c.fin_nouvelle = premiere.fin;
    section_profil* courante = &c.preambule;
    std::size_t debut_lignes = 0;  // where the lines of `courante` start
    // A section line has '[' first after its blanks: memchr finds the few candidates.
    for (std::size_t crochet = t.find('['); crochet != std::string_view::npos;
         crochet = t.find('[', crochet + 1)) {
        std::size_t debut = crochet;
        while (debut > 0 && est_blanc_profil(t[debut - 1])) --debut;
        if (debut > 0 && t[debut - 1] != '\n' && t[debut - 1] != '\r') continue;
        const auto [octets, suivante] = ligne_a(t, debut);
        if (analyse(octets.texte).genre != genre_ligne::section) {
            crochet = suivante - 1;  // nothing else on this line starts one
            continue;
        }
        courante->brut = t.substr(debut_lignes, debut - debut_lignes);
        courante = &c.sections.emplace_back();
        courante->entete = decode(octets, c.entetes_decodes);
        courante->nom = analyse(courante->entete.texte).nom;
        debut_lignes = suivante;
        crochet = suivante - 1;
    }
    courante->brut = t.substr(debut_lignes);
}

// Parses the bytes of a file.
std::shared_ptr<contenu_profil> contenu_de(std::string octets) {
    auto c = std::make_shared<contenu_profil>();
    c->octets = std::move(octets);
    decoupe(*c);
    return c;
}

// Keeps the text of a written line where it never moves, and returns a view of it.
std::string_view garde(contenu_profil& c, std::string texte) {
    return c.ajouts.emplace_back(std::move(texte));
}

// The position in c.sections of the first section of that name, or npos.
std::size_t position_section(const contenu_profil& c, std::string_view section) {
    const std::string_view nom = sans_blancs(section);
    const std::lock_guard verrou(c.verrou_index);
    if (c.derniere != nullptr && egalite_insensible{}(c.derniere->first, nom))
        return c.derniere->second;
    auto it = c.index.find(nom);
    if (it == c.index.end()) {
        std::size_t n = 0;
        while (n < c.sections.size() && !egalite_insensible{}(c.sections[n].nom, nom)) ++n;
        it = c.index.emplace(nom, n == c.sections.size() ? std::string::npos : n).first;
    }
    c.derniere = &*it;
    return it->second;
}

// The first section of that name, or null.
section_profil* trouve_section(contenu_profil& c, std::string_view section) {
    const std::size_t n = position_section(c, section);
    return n == std::string::npos ? nullptr : &c.sections[n];
}

// The last line of the file, or null for an empty file.
ligne* derniere_ligne(contenu_profil& c) {
    const section_profil& s = c.sections.empty() ? c.preambule : c.sections.back();
    lignes_section& l = lignes_de(s);
    if (!l.queue.empty()) return &l.queue.back();
    if (!l.corps.empty()) return &l.corps.back();
    return s.a_entete ? &c.sections.back().entete : nullptr;
}

// Gives an ending to the line a new line is about to follow: the last line of a file
// may have had none.
void termine(const contenu_profil& c, ligne* l) {
    if (l != nullptr && l->fin == fin_ligne::aucune) l->fin = c.fin_nouvelle;
}

// At most taille - 1 UTF-8 characters of `s`, never splitting one.
std::string coupe(std::string_view s, std::size_t taille) {
    if (taille == 0) return {};
    std::size_t caracteres = 0;
    for (std::size_t n = 0; n < s.size(); ++n) {
        const bool debut_caractere = (static_cast<unsigned char>(s[n]) & 0xC0) != 0x80;
        if (debut_caractere && ++caracteres == taille) return std::string(s.substr(0, n));
    }
    return std::string(s);
}

// A value as the reader gives it: blanks trimmed, then one pair of enclosing quotes
// removed.
std::string_view lue(std::string_view v) {
    v = sans_blancs(v);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        v = v.substr(1, v.size() - 2);
    }
    return v;
}

// The value of a key line, after its first '='.
std::string_view valeur_de(std::string_view texte) {
    return lue(texte.substr(texte.find('=') + 1));
}

// A written text that changes how the file reads: a line break splits the line, a
// Ctrl-Z may come last in the file, bytes that are not UTF-8 make the reader take the
// line as Windows-1252.
bool change_la_structure(std::string_view texte) {
    return texte.find_first_of("\r\n\x1A") != std::string_view::npos || !est_utf8(texte);
}

// Adds `sens` (1 or -1) to the count of the encoding `l` is read in, beyond ASCII.
void compte_ligne(contenu_profil& c, const ligne& l, int sens) {
    if (!l.cp1252 && est_ascii(l.texte)) return;
    std::size_t& n = l.cp1252 ? c.lignes_cp1252 : c.lignes_utf8;
    n = sens > 0 ? n + 1 : n - 1;
}

// Counts the lines of the file by encoding, once.
void compte_lignes(contenu_profil& c) {
    if (c.compte) return;
    const auto compte_section = [&c](const section_profil& s) {
        if (s.a_entete) compte_ligne(c, s.entete, 1);
        if (s.decoupee.load(std::memory_order_acquire)) {
            for (const ligne& l : s.lignes->corps) compte_ligne(c, l, 1);
            for (const ligne& l : s.lignes->queue) compte_ligne(c, l, 1);
        } else if (!est_ascii(s.brut)) {
            pour_chaque_ligne(s.brut, [&c](const ligne& l) {
                if (!est_ascii(l.texte)) ++(est_utf8(l.texte) ? c.lignes_utf8 : c.lignes_cp1252);
            });
        }
    };
    compte_section(c.preambule);
    for (const section_profil& s : c.sections) compte_section(s);
    c.compte = true;
}

// Gives `l` the text `texte`, in the file's encoding as it stands: Windows-1252 when no
// byte order mark and no line beyond ASCII says UTF-8 and some line is in Windows-1252;
// UTF-8 otherwise. A text the code page lacks goes in UTF-8, and so does one whose bytes
// there would read as UTF-8 (U+00C3 U+00A9 would come back as U+00E9): returns true for
// those.
bool pose(contenu_profil& c, ligne& l, std::string texte) {
    bool cp1252 = false, en_utf8_malgre_tout = false;
    if (!est_ascii(texte)) {
        compte_lignes(c);
        if (c.bom.empty() && c.lignes_utf8 == 0 && c.lignes_cp1252 > 0) {
            std::string octets;
            cp1252 = vers_cp1252(texte, &octets) && !est_utf8(octets);
            en_utf8_malgre_tout = !cp1252;
        }
    }
    if (c.compte) compte_ligne(c, l, -1);
    l.texte = garde(c, std::move(texte));
    l.cp1252 = cp1252;
    if (c.compte) compte_ligne(c, l, 1);
    return en_utf8_malgre_tout;
}

// The bytes of the file, lines and endings as they stand, each line in its encoding.
std::string octets_de(const contenu_profil& c) {
    std::size_t taille = c.bom.size() + c.octets.size() + c.fin_dos.size();
    for (const std::string& a : c.ajouts) taille += a.size() + 2;
    std::string t, cp1252;
    t.reserve(taille);
    t += c.bom;
    const auto ajoute = [&](const ligne& l) {
        if (l.cp1252 && vers_cp1252(l.texte, &cp1252)) {
            t += cp1252;
        } else {
            t += l.texte;
        }
        t += octets_fin(l.fin);
    };
    const auto ajoute_section = [&](const section_profil& s) {
        if (s.a_entete) ajoute(s.entete);
        if (!s.decoupee.load(std::memory_order_acquire)) {
            t += s.brut;
            return;
        }
        for (const ligne& l : s.lignes->corps) ajoute(l);
        for (const ligne& l : s.lignes->queue) ajoute(l);
    };
    ajoute_section(c.preambule);
    for (const section_profil& s : c.sections) ajoute_section(s);
    t += c.fin_dos;
    return t;
}

// The file as a fresh load of the bytes it saves would parse it, with what that load
// cannot know: why the file could not be read, and the lines written in UTF-8.
std::shared_ptr<contenu_profil> relecture(const contenu_profil& c) {
    auto r = contenu_de(octets_de(c));
    r->erreur_lecture = c.erreur_lecture;
    r->ecrites_en_utf8 = c.ecrites_en_utf8;
    return r;
}

// The text of errno.
std::string raison(int erreur) { return std::strerror(erreur); }

// Writes all of `t`, retrying after a signal or a partial write.
bool ecrit_tout(int fd, std::string_view t) {
    while (!t.empty()) {
        const ssize_t n = ::write(fd, t.data(), t.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        t.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Reads the whole file; false with errno set on failure.
bool lit_tout(int fd, std::string& octets) {
    struct stat etat {};
    if (::fstat(fd, &etat) == 0 && S_ISREG(etat.st_mode) && etat.st_size > 0) {
        octets.reserve(static_cast<std::size_t>(etat.st_size));
    }
    std::array<char, 65536> tampon;
    for (;;) {
        const ssize_t n = ::read(fd, tampon.data(), tampon.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return true;
        octets.append(tampon.data(), static_cast<std::size_t>(n));
    }
}

// Whether the file at `chemin` holds exactly `texte`.
bool contient_deja(const std::string& chemin, std::string_view texte) {
    const int fd = ::open(chemin.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    std::string octets;
    const bool lu = lit_tout(fd, octets);
    ::close(fd);
    return lu && octets == texte;
}

// Writes `texte` over the file at `chemin`: truncated, written, flushed. When the write
// fails, the old bytes are written back as far as the disk lets them.
std::string ecrit_en_place(const std::string& chemin, std::string_view texte) {
    const int fd = ::open(chemin.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return raison(errno);
    const auto remplace_par = [fd](std::string_view t) {
        return ::lseek(fd, 0, SEEK_SET) == 0 && ::ftruncate(fd, 0) == 0 && ecrit_tout(fd, t);
    };
    std::string ancien;
    int erreur = lit_tout(fd, ancien) ? 0 : errno;
    if (erreur == 0 && !remplace_par(texte)) {
        erreur = errno;
        remplace_par(ancien);
    }
    if (::fsync(fd) != 0 && erreur == 0) erreur = errno;
    if (::close(fd) != 0 && erreur == 0) erreur = errno;
    return erreur == 0 ? std::string() : raison(erreur);
}

// Temporary names differ within the process by this counter, between processes by pid.
std::atomic<unsigned> compteur_temporaires{0};

}  // namespace

fichier_profil charge_profil(const std::string& chemin) {
    const int fd = ::open(chemin.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        fichier_profil vide{std::make_shared<contenu_profil>()};
        if (errno != ENOENT && errno != ENOTDIR) vide.contenu->erreur_lecture = raison(errno);
        return vide;
    }
    std::string octets;
    const bool lu = lit_tout(fd, octets);
    const int erreur = errno;
    ::close(fd);
    if (!lu) {
        fichier_profil vide{std::make_shared<contenu_profil>()};
        vide.contenu->erreur_lecture = raison(erreur);
        return vide;
    }
    return {contenu_de(std::move(octets))};
}

fichier_profil profil_de_texte(std::string_view octets) {
    return {contenu_de(std::string(octets))};
}

std::string lit_profil(const fichier_profil& f, std::string_view section, std::string_view cle,
                       std::string_view defaut, std::size_t taille) {
    if (f.contenu) {
        if (const section_profil* s = trouve_section(*f.contenu, section)) {
            const lignes_section& l = lignes_de(*s);
            const std::size_t n = cherche(l.cles, sans_blancs(cle));
            if (n != std::string::npos) return coupe(valeur_de(l.corps[n].texte), taille);
        }
    }
    while (!defaut.empty() && defaut.back() == ' ') defaut.remove_suffix(1);
    return coupe(defaut, taille);
}

void ecrit_profil(fichier_profil& f, std::string_view section, std::string_view cle,
                  std::string_view valeur) {
    if (!f.contenu) {
        f.contenu = std::make_shared<contenu_profil>();
    } else if (f.contenu.use_count() > 1) {
        // Copies share the parsed file; a write must not show through the others.
        f.contenu = relecture(*f.contenu);
    }
    contenu_profil& c = *f.contenu;
    const std::string_view section_lue = sans_blancs(section), cle_lue = sans_blancs(cle);
    bool relire =
        change_la_structure(section) || change_la_structure(cle) || change_la_structure(valeur);

    section_profil* s = trouve_section(c, section);
    if (s == nullptr) {
        termine(c, derniere_ligne(c));
        s = &c.sections.emplace_back();
        // Appended rather than "[" + section: GCC 12 warns wrongly on that at -O3.
        std::string entete(1, '[');
        entete.append(section).push_back(']');
        s->entete.fin = c.fin_nouvelle;
        if (pose(c, s->entete, std::move(entete)))
            c.ecrites_en_utf8.push_back(std::string(s->entete.texte));
        const sens_ligne sens = analyse(s->entete.texte);
        s->nom = sens.nom;
        if (sens.genre == genre_ligne::section && egalite_insensible{}(sens.nom, section_lue)) {
            const std::lock_guard verrou(c.verrou_index);
            c.index.insert_or_assign(std::string(sens.nom), c.sections.size() - 1);
        } else {
            relire = true;
        }
    }

    lignes_section& lignes = lignes_de(*s);
    if (const std::size_t n = cherche(lignes.cles, cle_lue); n != std::string::npos) {
        ligne& l = lignes.corps[n];
        // A line that already reads as the value keeps its bytes: spacing, quotes, case.
        if (!relire && valeur_de(l.texte) == lue(valeur)) return;
        // Otherwise the key keeps its spelling; the line keeps its ending.
        const std::string_view nom = analyse(l.texte).nom;
        if (pose(c, l, std::string(nom) + "=" + std::string(valeur)))
            c.ecrites_en_utf8.emplace_back(cle_lue);
        const sens_ligne sens = analyse(l.texte);
        if (sens.genre != genre_ligne::cle || !egalite_insensible{}(sens.nom, nom)) relire = true;
    } else {
        termine(c, lignes.corps.empty() ? &s->entete : &lignes.corps.back());
        ligne l{{}, c.fin_nouvelle};
        if (pose(c, l, std::string(cle) + "=" + std::string(valeur)))
            c.ecrites_en_utf8.emplace_back(cle_lue);
        const sens_ligne sens = analyse(l.texte);
        if (sens.genre == genre_ligne::cle) {
            lignes.corps.push_back(l);
            if (egalite_insensible{}(sens.nom, cle_lue)) {
                ajoute(lignes.cles, sens.nom, lignes.corps.size() - 1);
            } else {
                relire = true;
            }
            // A CR ending just before an empty LF line reads back as one CR LF ending.
            if (l.fin == fin_ligne::cr && !lignes.queue.empty() &&
                lignes.queue.front().texte.empty() && lignes.queue.front().fin == fin_ligne::lf)
                relire = true;
        } else {
            lignes.queue.insert(lignes.queue.begin(), l);
            relire = true;
        }
    }

    // The line changed the file's structure: read the file again as a fresh load would,
    // so that every later write sees what a reader of the saved file would see.
    if (relire) f.contenu = relecture(c);
}

std::vector<std::string> ecrites_en_utf8(const fichier_profil& f) {
    return f.contenu ? f.contenu->ecrites_en_utf8 : std::vector<std::string>();
}

std::string texte_profil(const fichier_profil& f) {
    return f.contenu ? octets_de(*f.contenu) : std::string();
}

std::string enregistre_profil(const fichier_profil& f, const std::string& chemin) {
    if (f.contenu && !f.contenu->erreur_lecture.empty()) return f.contenu->erreur_lecture;
    const std::string texte = texte_profil(f);

    // A link to the settings file stays a link: the file it points to is replaced.
    std::string cible = chemin;
    struct stat etat {};
    if (::lstat(chemin.c_str(), &etat) == 0 && S_ISLNK(etat.st_mode)) {
        if (char* resolu = ::realpath(chemin.c_str(), nullptr)) {
            cible = resolu;
            ::free(resolu);
        }
    }
    const std::size_t barre = cible.rfind('/');
    const std::string dossier =
        barre == std::string::npos ? std::string() : cible.substr(0, barre + 1);
    const std::string nom = cible.substr(dossier.size());
    const bool existait = ::stat(cible.c_str(), &etat) == 0;
    const bool fichier = existait && S_ISREG(etat.st_mode);
    // A save that changes no byte leaves the file alone.
    if (fichier && static_cast<std::size_t>(etat.st_size) == texte.size() &&
        contient_deja(cible, texte))
        return {};

    // O_EXCL: a stale temporary file of a killed process is never reused.
    std::string temporaire;
    int fd = -1;
    for (int essai = 0; essai < 100 && fd < 0; ++essai) {
        temporaire = dossier + "." + nom + "." + std::to_string(::getpid()) + "." +
                     std::to_string(compteur_temporaires++) + ".tmp";
        fd = ::open(temporaire.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        // A folder closed to new files may still hold a file open to writing.
        if (fd < 0 && (errno == EACCES || errno == EPERM) && fichier)
            return ecrit_en_place(cible, texte);
        if (fd < 0 && errno != EEXIST) return raison(errno);
    }
    if (fd < 0) return raison(EEXIST);

    const auto echec = [&](int erreur) {
        if (fd >= 0) ::close(fd);
        ::unlink(temporaire.c_str());
        return raison(erreur);
    };
    if (!ecrit_tout(fd, texte)) return echec(errno);
    if (existait && ::fchmod(fd, etat.st_mode & 07777) != 0) return echec(errno);
    if (::fsync(fd) != 0) return echec(errno);
    const int fermeture = ::close(fd);
    fd = -1;
    if (fermeture != 0) return echec(errno);
    if (::rename(temporaire.c_str(), cible.c_str()) != 0) return echec(errno);

    // The rename reaches the disk only with the folder. The old file is gone by now, so
    // a failure here is still reported: the new one may not survive a power cut.
    const int dossier_fd =
        ::open(dossier.empty() ? "." : dossier.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dossier_fd < 0) return raison(errno);
    // EINVAL: the file system cannot flush a folder; there is nothing more to wait for.
    const bool flushe = ::fsync(dossier_fd) == 0 || errno == EINVAL;
    const int erreur = errno;
    ::close(dossier_fd);
    return flushe ? std::string() : raison(erreur);
}

}  // namespace horlivet
