// Any bytes as a request line to the running program's socket: it is read or refused
// with a reason, never anything else, and what is read names real channels only.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "scheduler/manuel.h"
#include "verifie.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille) {
    using namespace horlivet;
    const std::string_view ligne(reinterpret_cast<const char*>(donnees), taille);
    const lecture_requete l = lit_requete(ligne);
    verifie(l.r.has_value() != !l.faute.empty(), "a request, or why not");
    if (!l.r) return 0;
    for (const int i : l.r->voies) verifie(i >= 0 && i < nb_voies, "a real channel");
    const bool pour_une_voie = l.r->s != requete::sorte::statut;
    verifie(l.r->voies.empty() != pour_une_voie, "channels exactly for the actions");
    verifie(l.r->jusqua.has_value() == (l.r->s == requete::sorte::pause), "a date for a pause");
    if (l.r->jusqua)
        verifie(l.r->jusqua->secondes >= 0 && l.r->jusqua->secondes < 86400, "a time of day");
    return 0;
}
