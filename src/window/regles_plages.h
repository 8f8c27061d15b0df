#pragma once

// The slot menu's choices (a right click on a start or stop field): follow the sun, vary,
// back to a fixed time, the place. Each edits what the window shows and shows the unsaved
// mark; the save puts it in force, as it does the typed times.

#include <optional>

#include "model/programme.h"

namespace horlivet {

// The start (`debut`) or stop of slot k (1..4) of channel i follows rule `r`.
void choisit_soleil(programme& p, int k, int i, bool debut, const regle_soleil& r);
// ... varies by up to `minutes` either way each day (0: not at all).
void choisit_variation(programme& p, int k, int i, bool debut, int minutes);
// ... keeps a fixed time: the one its fields show, except that a drawn time gives way to
// the time it was drawn around.
void choisit_heure_fixe(programme& p, int k, int i, bool debut);
// The place the sun is followed at.
void choisit_lieu(programme& p, const lieu& l);
// The user typed or picked a time into combo c of channel i: its start or stop keeps that
// time, fixed.
void heure_tapee(programme& p, champ c, int i);

}  // namespace horlivet
