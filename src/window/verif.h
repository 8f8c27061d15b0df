#pragma once

// The slot checks: the slot colouring, and the two ordering warnings. Both only inform
// the user; they never change the schedule.

#include <vector>

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

// One slot failing an ordering check. `reference` is the slot whose stop the failing
// slot should start after (0 for midnight); unused by the stop-after-start check.
struct faute_plage {
    int voie = 0;   // 0..7
    int plage = 1;  // 1..4
    int reference = 0;
    friend bool operator==(const faute_plage&, const faute_plage&) = default;
};

// Every enabled slot that does not stop after it starts (times of horaires), by channel
// then slot.
std::vector<faute_plage> plages_incoherentes(const programme& p);

// Every enabled slot that does not start strictly after the previous enabled slot of its
// channel stopped, by channel then slot. Slot 1 is never compared; a later slot with no
// enabled slot before it must start after midnight.
std::vector<faute_plage> plages_recouvrantes(const programme& p);

// Warns when plages_incoherentes finds a slot. At most one warning, naming the highest
// failing channel.
void verif_suite(programme& p);
// Warns when plages_recouvrantes finds a slot. At most one warning, likewise.
void verif_suite_2(programme& p);

// The two warnings for channel index n, shown as n + 1.
void message_incoherence(programme& p, int n);
void message_recouvrement(programme& p, int n);
std::string texte_incoherence(int n);
std::string texte_recouvrement(int n);

}  // namespace horlivet
