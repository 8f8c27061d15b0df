#pragma once

// The running program's answer to horlivet-ctl, with each channel's next start and stop
// from the same look-ahead as horlivet-plan (prochains_lancements), kept between requests
// so that a home automation system polling the status costs the program a socket round
// trip, not a simulated week.

#include <array>
#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "plan/plan.h"

namespace horlivet {

// The last look-ahead: the schedule it was worked out for, and until when it holds (its
// earliest launch; a launch passed changes what comes next).
struct prochains_en_cache {
    std::string horaire;
    std::chrono::sys_seconds valable_jusqua{};
    std::array<prochains_voie, nb_voies> prochains{};
};

// repond_requete, and for status each channel line ends with next_start=... and
// next_stop=... (local times, "none" beyond the look-ahead), worked out again only when
// the schedule changed or the cached look-ahead's earliest launch has passed.
std::string repond_avec_prochains(programme& p, std::string_view ligne, const std::string& qui,
                                  prochains_en_cache& cache, std::chrono::sys_seconds maintenant,
                                  const conversion_locale& locale);

}  // namespace horlivet
