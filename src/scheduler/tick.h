#pragma once

// The scheduler tick, raised every 20 s by Timer1.

#include <array>
#include <chrono>

#include "model/programme.h"

namespace horlivet {

inline constexpr int periode_timer1_ms = 20000;

// How far back the minutes no tick saw are replayed: every day box and every slot comes
// within a week, and an overnight slot stops the night after.
inline constexpr int jours_rattrapes = 8;

// One tick: the journal's month, today's day flag, then for channels 0..7 and slots
// 1..4 the start test and the stop test. A start is due while the time of day lies in
// [debut_k, debut_k + 60 s], the slot waits for its start and the start is not the same
// occurrence (date and debut_k) as the slot's last start launch; a stop likewise from
// fin_k once the slot has started. The flag changes before the launch. Does nothing
// before startup has set the flags, nor once shutdown has begun (globales::ticks_actifs).
// When the local time read has moved forward more than 60 s since the previous tick of
// this run (a suspend, a clock step, summer time, a change of zone), the minutes between
// are replayed first by simule_ticks; then, channel by channel (0..7), command_A for each
// slot started before and waiting now and command_M for each slot waiting before and
// started now, in the order the replayed ticks changed those flags, and one report
// through services::signale when there was anything to launch. The clock going back
// launches nothing twice.
void Timer1_Timer(programme& p);

// Runs the tick's rules (day boxes, enable boxes, horaires, start test before stop test,
// the start-occurrence rule) over simulated instants 20 s apart, strictly after `depuis`
// and strictly before `jusqua` (only the last 8 days of them when the interval is
// longer), on p.g's slot state (attente and the start occurrences), launching nothing:
// afterwards p.g holds the state the ticks would have reached. Local times are taken as
// they read (instant_de), so the unseen local minutes of a summer-time night are walked
// through. With `changements`, each slot's entry [k - 1][i] is set to the simulated
// instant (instant_de) at which its flag last changed; the others are left as they were.
using instants_plages = std::array<std::array<std::chrono::sys_seconds, nb_voies>, nb_plages>;
void simule_ticks(programme& p, const date_heure& depuis, const date_heure& jusqua,
                  instants_plages* changements = nullptr);

}  // namespace horlivet
