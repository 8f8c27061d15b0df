#pragma once

// The week chart of a schedule, as an SVG image: one row per channel, one column per
// day, a bar per slot run.

#include <optional>
#include <string>
#include <vector>

#include "model/programme.h"
#include "plan/plan.h"

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
// Each day's times come from `semaine` (horaires_de_la_semaine), by default p.h every day;
// a slot that does not start that day for want of sunrise or sunset has no run.
std::vector<occurrence> occurrences(const programme& p,
                                    const std::optional<horaires_semaine>& semaine = std::nullopt);

// The runs that do not happen, drawn faint: enabled slots on the unticked days of a
// channel, and disabled slots on its ticked days (an overnight one ends on the next day)
// unless they are still at the settings file's default times, and enabled slots on ticked
// days where they do not start for want of sunrise or sunset.
std::vector<occurrence> occurrences_inactives(
    const programme& p, const std::optional<horaires_semaine>& semaine = std::nullopt);

// The chart with `titre` above it. Each run is an element of class "occurrence", each
// faint one of class "inactive". Each day's times as for occurrences.
std::string graphique_svg(const programme& p, const std::string& titre,
                          const std::optional<horaires_semaine>& semaine = std::nullopt);

}  // namespace horlivet
