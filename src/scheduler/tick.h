#pragma once

// The scheduler tick, raised every 20 s by Timer1.

#include "model/programme.h"

namespace horlivet {

inline constexpr int periode_timer1_ms = 20000;

// One tick: the journal's month, today's day flag, then for channels 0..7 and slots
// 1..4 the start test and the stop test. A start is due while the time of day lies in
// [debut_k, debut_k + 60 s] and the slot waits for its start; a stop likewise from
// fin_k once the slot has started. The flag changes before the launch. Does nothing
// before startup has set the flags, nor once shutdown has begun (globales::ticks_actifs).
void Timer1_Timer(programme& p);

}  // namespace horlivet
