#pragma once

// The slot checks: the slot colouring, and the two ordering warnings. Both only inform
// the user; they never change the schedule.

#include "model/programme.h"

namespace horlivet {

inline constexpr const char* titre_programme = "ervaline";

// True when at least one of channel i's seven day boxes is ticked.
bool verif_jour(const ervaline& f, int i);

// The colouring of slot k of channel i: its four time combos light green when the slot
// box is ticked and the channel has a day, light grey otherwise; then the unsaved mark.
// valid_Click is slot 1, valid_2_Click slot 2, and so on.
void colorie_plage(ervaline& f, int k, int i);
void valid_Click(ervaline& f, int i);
void valid_2_Click(ervaline& f, int i);
void valid_3_Click(ervaline& f, int i);
void valid_4_Click(ervaline& f, int i);

// Warns when an enabled slot does not stop after it starts (times of horaires). At most
// one warning, naming the highest failing channel.
void verif_suite(programme& p);
// Warns when an enabled slot does not start after the previous enabled slot of its
// channel stopped (the first reference is midnight). At most one warning.
void verif_suite_2(programme& p);

// The two warnings for channel index n, shown as n + 1.
void message_incoherence(programme& p, int n);
void message_recouvrement(programme& p, int n);
std::string texte_incoherence(int n);
std::string texte_recouvrement(int n);

}  // namespace horlivet
