#include "model/horaires.h"

#include <stdexcept>

namespace horlivet {

namespace {

std::size_t index_plage(int k) {
    if (k < 1 || k > nb_plages) throw std::out_of_range("slot number outside 1..4");
    return static_cast<std::size_t>(k - 1);
}

}  // namespace

heure_du_jour debut_k(const horaires& h, int k, int i) {
    return h.debut[index_plage(k)].at(static_cast<std::size_t>(i));
}

heure_du_jour fin_k(const horaires& h, int k, int i) {
    return h.fin[index_plage(k)].at(static_cast<std::size_t>(i));
}

heure_du_jour heure_de(int heure, int minute) { return heure * 3600 + minute * 60; }

void rafraichit_horaires(horaires& h, const ervaline& f, int i) {
    const auto v = static_cast<std::size_t>(i);
    if (i < 0 || i >= nb_voies) throw std::out_of_range("channel index outside 0..7");
    for (int k = 1; k <= nb_plages; ++k) {
        h.debut[index_plage(k)][v] =
            heure_de(position(f, H_marche(k), i), position(f, M_marche(k), i));
        h.fin[index_plage(k)][v] = heure_de(position(f, H_arret(k), i), position(f, M_arret(k), i));
    }
}

}  // namespace horlivet
