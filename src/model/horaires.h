#pragma once

// The derived slot times. The scheduler and the ordering checks read slot times only
// from here; only the settings load and the save refresh it, so an edited time takes
// effect at the next save.

#include <array>

#include "model/widgets.h"

namespace horlivet {

// A time of day in seconds since midnight, 0..86399.
using heure_du_jour = int;
inline constexpr heure_du_jour secondes_par_jour = 86400;

struct horaires {
    // debut[k - 1][i] is debut_k(i), fin[k - 1][i] is fin_k(i).
    std::array<std::array<heure_du_jour, nb_voies>, nb_plages> debut{};
    std::array<std::array<heure_du_jour, nb_voies>, nb_plages> fin{};
    // [k - 1][i]: the slot does not start today (its sun neither rises nor sets, and its
    // rule has no bound to stand for it). Its stop still comes at its time.
    std::array<std::array<bool, nb_voies>, nb_plages> sans_debut{};
};

// REQUIRES: 1 <= k <= 4 and 0 <= i <= 7; throws std::out_of_range otherwise.
heure_du_jour debut_k(const horaires& h, int k, int i);
heure_du_jour fin_k(const horaires& h, int k, int i);

// The time of day of an hour and a minute position, seconds 0.
heure_du_jour heure_de(int heure, int minute);

// Recomputes debut_1, fin_1, ... debut_4, fin_4 of channel i from its time combos.
// REQUIRES: 0 <= i <= 7; throws std::out_of_range otherwise.
void rafraichit_horaires(horaires& h, const ervaline& f, int i);

}  // namespace horlivet
