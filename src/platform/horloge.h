#pragma once

// The clock seam. Only the tick and the journal ask it; everything else takes time as
// an argument.

#include <functional>

namespace horlivet {

// A local date and time, broken down.
struct date_heure {
    int annee = 2026;
    int mois = 1;          // 1..12
    int jour = 1;          // 1..31
    int jour_semaine = 0;  // 0 Monday .. 6 Sunday
    int secondes = 0;      // time of day, 0..86399
};

using horloge = std::function<date_heure()>;

// The system clock, in the local time zone.
date_heure maintenant_systeme();

}  // namespace horlivet
