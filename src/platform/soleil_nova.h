#pragma once

// Sun times from libnova, and the generator of the daily draws.

#include <chrono>

#include "model/services_requis.h"

namespace horlivet {

// calcul_soleil through libnova's rise and set of the sun's place of date, horizon
// -0.833 degrees.
soleil_brut soleil_libnova(double latitude, double longitude, std::chrono::sys_seconds jour);

// tirage_aleatoire from a generator seeded once from the system's entropy.
tirage_aleatoire tirage_systeme();

}  // namespace horlivet
