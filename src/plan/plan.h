#pragma once

// The plan viewer's logic: a schedule loaded exactly as the program loads it, every
// ordering fault of its slots (plages_incoherentes, plages_recouvrantes), and the
// launches the scheduler would make from a given moment. Standard C++ only; the clock and the files
// come from the caller.

#include <array>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "model/programme.h"
#include "window/verif.h"

namespace horlivet {

// How far ahead the next launches are looked for: a week, plus the night after it, so an
// overnight slot that starts on the last day still shows its stop.
inline constexpr int jours_simules = 8;

// Why the file at `chemin` cannot be read ("no such file", "is a folder", the system's
// reason), or the empty text when it can.
std::string raison_illisible(const std::string& chemin);

// Loads `fichier_ini` into p as startup does: the same lists, the same reader and the
// same defaults. The warning boxes of the load are appended to `messages` instead of
// being shown. Nothing starts: the slot flags stay as they are and ticks stay off.
// With p.s.lit_fichier and p.s.maintenant, today's draw that horlivet.etat beside the file
// lists is applied, so that the times are those the running program uses today; the
// state file is only read.
// REQUIRES: p stays at the same address afterwards (its handlers are routed).
void charge_plan(programme& p, const std::string& fichier_ini, std::vector<std::string>& messages);

// The slot times of the seven days from `aujourdhui`, by day of the week (0 Monday): each
// date's sun times (through p.s.soleil and p.s.locale), and the draw kept for a date on
// that date alone, the other days at their undrawn times.
using horaires_semaine = std::array<horaires, nb_jours>;
horaires_semaine horaires_de_la_semaine(const programme& p, const date_heure& aujourdhui);

// A launch the scheduler would make.
struct lancement_prevu {
    date_heure quand;
    std::chrono::seconds dans{};  // from "now"
};

// The first start and the first stop launch of one channel.
struct prochains_voie {
    std::optional<lancement_prevu> marche;
    std::optional<lancement_prevu> arret;
};

// What the program would launch if started at the instant `maintenant`: the real tick
// runs on a copy of p, every 20 s of a simulated clock from one period after `maintenant`
// for jours_simules days, with every slot waiting for its start. The tick reads each
// instant as `locale` gives it, so a change to or from summer time in the system's zone
// comes as the program meets it; by default an instant is its own local time (date_de).
// Launches and journal lines are only recorded; p is not changed.
std::array<prochains_voie, nb_voies> prochains_lancements(
    const programme& p, std::chrono::sys_seconds maintenant,
    const conversion_locale& locale = date_de);

// The whole printed plan: channels with days and enabled slots, the ordering warnings,
// the next launches. `autres_messages` are warnings of the load that the lists above do
// not already give.
struct plan {
    std::vector<faute_plage> incoherentes;
    std::vector<faute_plage> recouvrantes;
    std::vector<std::string> autres_messages;
    std::array<prochains_voie, nb_voies> prochains;
};

plan calcule_plan(const programme& p, const std::vector<std::string>& messages_chargement,
                  std::chrono::sys_seconds maintenant, const conversion_locale& locale = date_de);
bool a_des_avertissements(const plan& r);
std::string texte_plan(const programme& p, const plan& r, const std::string& fichier_ini,
                       const date_heure& maintenant);

// "08:30" for a time of day; "Mon" .. "Sun" for day 0 .. 6.
std::string texte_heure(heure_du_jour t);
const char* nom_jour(int d);

}  // namespace horlivet
