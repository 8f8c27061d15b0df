// Any bytes as ervaline.ini, loaded as startup loads it, saved, and loaded again: every
// widget in range, a save then a load gives back every field, a UTF-8 file stays UTF-8,
// and a save that changes nothing leaves the file alone.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <stdlib.h>
#include <sys/stat.h>

#include "settings/ini.h"
#include "verifie.h"
#include "window/edition.h"

namespace {

using namespace horlivet;

// A folder for the whole run, under TMPDIR (fuzz/run points it at memory: every save
// flushes to disk), removed at exit.
struct dossier_du_run {
    std::string chemin;
    dossier_du_run() {
        chemin = (std::filesystem::temp_directory_path() / "ini_fuzz.XXXXXX").string();
        if (::mkdtemp(chemin.data()) == nullptr) std::abort();
    }
    ~dossier_du_run() {
        std::error_code ignore;
        std::filesystem::remove_all(chemin, ignore);
    }
};

// The folder of this run.
const std::string& dossier() {
    static const dossier_du_run d;
    return d.chemin;
}

// The bytes of a file.
std::string lit_fichier(const std::string& chemin) {
    std::ifstream in(chemin, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The inode of a file: a file replaced by the save has a new one.
ino_t inode(const std::string& chemin) {
    struct stat etat {};
    ::stat(chemin.c_str(), &etat);
    return etat.st_ino;
}

// The program as startup leaves it after reading `chemin`; the messages it shows and
// its reports on standard error, kept.
struct banc {
    programme p;
    std::vector<std::string> messages;
    std::vector<std::string> signalements;
    explicit banc(const std::string& chemin) {
        p.s.message = [this](const std::string&, const std::string& texte) {
            messages.push_back(texte);
        };
        p.s.signale = [this](const std::string& texte) { signalements.push_back(texte); };
        route_handlers(p);
        p.g.fichier_ini = chemin;
        lecture_ini(p);
    }
    banc(const banc&) = delete;
    banc& operator=(const banc&) = delete;
};

// Characters of a UTF-8 text.
std::size_t caracteres(std::string_view s) {
    std::size_t n = 0;
    for (unsigned char c : s) n += (c & 0xC0) != 0x80;
    return n;
}

// Every widget of the load within what the window can show.
void verifie_bornes(const programme& p) {
    for (int i = 0; i < nb_voies; ++i) {
        for (int c = 0; c < nb_champs_voie; ++c) {
            const champ ch = static_cast<champ>(c);
            if (est_combo(ch)) {
                const int n = position(p.fenetre, ch, i);
                verifie(n >= 0 && n <= (est_heure(ch) ? 23 : 59), "a position in its list");
            } else if (!est_case(ch)) {
                const std::string& t = texte(p.fenetre, ch, i);
                verifie(t.find('\0') == std::string::npos, "no NUL in a text");
                verifie(caracteres(t) <= (ch == champ::nom ? 63u : 127u), "a text within its size");
            }
        }
        for (int k = 1; k <= nb_plages; ++k) {
            verifie(debut_k(p.h, k, i) == heure_de(position(p.fenetre, H_marche(k), i),
                                                   position(p.fenetre, M_marche(k), i)),
                    "a start time from its combos");
            verifie(fin_k(p.h, k, i) == heure_de(position(p.fenetre, H_arret(k), i),
                                                 position(p.fenetre, M_arret(k), i)),
                    "a stop time from its combos");
        }
    }
}

// Two loads hold the same schedule.
bool memes_widgets(const programme& a, const programme& b) {
    for (int i = 0; i < nb_voies; ++i) {
        for (int c = 0; c < nb_champs_voie; ++c) {
            const champ ch = static_cast<champ>(c);
            const widget &x = lit(a.fenetre, ch, i), &y = lit(b.fenetre, ch, i);
            if (x.texte != y.texte || x.coche != y.coche || x.position != y.position) return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille) {
    const std::string chemin = dossier() + "/ervaline.ini";
    {
        std::ofstream out(chemin, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(donnees), static_cast<std::streamsize>(taille));
    }
    banc premier(chemin);
    verifie_bornes(premier.p);

    enregistre_Click(premier.p);
    verifie(!marque_visible(premier.p.fenetre), "the save succeeded");
    // Every text came from the file: only one with a line in Windows-1252 can hold a text
    // whose bytes there would read back as UTF-8, and so go in UTF-8.
    verifie(premier.signalements.empty() ||
                !utf8_strict({reinterpret_cast<const char*>(donnees), taille}),
            "a UTF-8 file is saved in UTF-8 without a word");
    const std::string enregistre = lit_fichier(chemin);

    banc second(chemin);
    verifie(memes_widgets(premier.p, second.p), "a save then a load gives back every field");
    const ino_t fichier = inode(chemin);
    enregistre_Click(second.p);
    verifie(lit_fichier(chemin) == enregistre, "saving the same schedule again changes nothing");
    verifie(inode(chemin) == fichier, "a save that changes nothing does not replace the file");
    return 0;
}
