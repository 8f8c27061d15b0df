#pragma once

// The week chart of a schedule, as an SVG image: one row per channel, one column per
// day, a bar per slot run.

#include <string>
#include <vector>

#include "model/programme.h"

namespace horlivet {

// One run of slot `plage` of channel `voie` that starts on day `jour` (0 Monday .. 6
// Sunday). `debut` and `fin` count seconds from that day's midnight; `fin` passes the
// day's end for an overnight slot.
struct occurrence {
    int voie = 0;
    int plage = 1;
    int jour = 0;
    int debut = 0;
    int fin = 0;
    friend bool operator==(const occurrence&, const occurrence&) = default;
};

// The runs of a week as the scheduler makes them: each enabled slot on each ticked day,
// from its start to its stop. A slot whose stop comes before its start stops on the
// next ticked day of its channel (a week later when only its own day is ticked); one
// whose stop equals its start stops in the same tick.
std::vector<occurrence> occurrences(const programme& p);

// The runs that do not happen, drawn faint: enabled slots on the unticked days of a
// channel, and disabled slots on its ticked days (an overnight one ends on the next day)
// unless they are still at the settings file's default times.
std::vector<occurrence> occurrences_inactives(const programme& p);

// The chart with `titre` above it. Each run is an element of class "occurrence", each
// faint one of class "inactive".
std::string graphique_svg(const programme& p, const std::string& titre);

}  // namespace horlivet
