#pragma once

// A local date and time as the clock gives it, and its conversion to a line of seconds
// for simulated clocks.

#include <chrono>
#include <optional>

namespace horlivet {

// A local date and time, broken down.
struct date_heure {
    int annee = 2026;
    int mois = 1;          // 1..12
    int jour = 1;          // 1..31
    int jour_semaine = 0;  // 0 Monday .. 6 Sunday
    int secondes = 0;      // time of day, 0..86399
    // Seconds east of UTC of this local time, when the clock knows it: it tells apart
    // the two passes of the hour repeated when summer time ends.
    std::optional<int> decalage;
};

// A local date and time as a point on a line of seconds, and back, for simulated clocks;
// the week day comes from the date. Local time is taken as it reads: a daylight-saving
// change is ignored.
std::chrono::sys_seconds instant_de(const date_heure& d);
date_heure date_de(std::chrono::sys_seconds t);

}  // namespace horlivet
