#pragma once

// Today's slot times: the fixed times of the time combos, moved by the slots that follow
// the sun or vary. Worked out at the load, at the save and at the first tick of each day.

#include "model/programme.h"

namespace horlivet {

// Keeps the times horaires holds now (the fixed ones, just refreshed from the combos) as
// the fallback, and has the next horaires_du_jour work today's out again.
void retient_fixes(programme& p);

// When the local date of `d` differs from the one p.h was worked out for, and some slot
// follows the sun (with a place and p.s.soleil) or varies: p.h becomes the fixed times,
// each sun rule's time for that date, then the date's draw added (drawn through
// p.s.aleatoire when none is kept for the date; a drawn start never passes its drawn
// stop, and no time leaves the day; without p.s.aleatoire, a date with no kept draw
// has its undrawn times). Returns true when it drew. Changes nothing when no
// slot follows the sun or varies.
bool horaires_du_jour(programme& p, const date_heure& d);

// Time `t` in the hour and minute combos of the start (`debut`) or stop of slot k of
// channel i.
void ecrit_heure(ervaline& f, int k, int i, bool debut, heure_du_jour t);

// Shows today's times (p.h) in the time combos of each start and stop that moves from day
// to day, unless typed into since the last save; the unsaved mark stays as it was.
void montre_horaires_du_jour(programme& p);

// Why slot k of channel i has the times it has today, for a tooltip: "" for a fixed slot;
// then what the next save puts in force, where the window's menu changed it.
std::string raison_horaire(const programme& p, int k, int i, bool debut);

}  // namespace horlivet
