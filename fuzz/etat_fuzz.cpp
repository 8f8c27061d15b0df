// Any bytes as horlivet.etat, read as startup reads it: a slot is listed once, what is
// read is written back and reads again the same, every other line is counted, and what
// standard error would show of a bad line is short and holds no control byte.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "scheduler/etat.h"
#include "verifie.h"

namespace {

using namespace horlivet;

// The lines the reader takes for slots: any but blank ones and those starting with '#'.
std::size_t lignes_de_plage(std::string_view t) {
    std::size_t n = 0;
    while (!t.empty()) {
        const std::size_t fin = t.find('\n');
        const std::string_view ligne = t.substr(0, fin);
        t.remove_prefix(fin == std::string_view::npos ? t.size() : fin + 1);
        const std::size_t debut = ligne.find_first_not_of(" \t\r");
        n += debut != std::string_view::npos && ligne[debut] != '#';
    }
    return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille) {
    const std::string_view texte(reinterpret_cast<const char*>(donnees), taille);
    const lecture_etat l = lit_etat(texte);
    verifie(l.fautes.size() <= 5 && (l.autres_fautes == 0 || l.fautes.size() == 5),
            "five bad lines said, the others counted");
    verifie(l.plages.size() + l.forcages.size() + l.fautes.size() +
                    static_cast<std::size_t>(l.autres_fautes) ==
                lignes_de_plage(texte),
            "every line is a slot, a comment or a bad line");
    for (const std::string& f : l.fautes) {
        verifie(f.size() <= 80 * 4 + 100, "a bad line is shown cut");
        for (const char c : f) {
            const auto o = static_cast<unsigned char>(c);
            verifie((o >= 0x20 && o < 0x7F) || c == '\t', "a bad line shows no control byte");
        }
    }

    globales g;
    for (const ligne_etat& p : l.plages) {
        auto& n = g.notees[static_cast<std::size_t>(p.k - 1)][static_cast<std::size_t>(p.i)];
        verifie(!n, "a slot is listed once");
        n = p.plage;
    }
    for (const auto& [i, f] : l.forcages) g.forcages[static_cast<std::size_t>(i)] = f;
    const std::string ecrit = texte_etat(g);
    const lecture_etat relue = lit_etat(ecrit);
    verifie(relue.fautes.empty() && relue.plages.size() == l.plages.size() &&
                relue.forcages.size() == l.forcages.size(),
            "what is read is written back whole");
    globales h;
    for (const ligne_etat& p : relue.plages)
        h.notees[static_cast<std::size_t>(p.k - 1)][static_cast<std::size_t>(p.i)] = p.plage;
    for (const auto& [i, f] : relue.forcages) h.forcages[static_cast<std::size_t>(i)] = f;
    verifie(texte_etat(h) == ecrit, "what is written reads back the same");
    return 0;
}
