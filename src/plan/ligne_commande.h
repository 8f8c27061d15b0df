#pragma once

// The plan viewer's command line, apart from main so that it runs in tests.

#include <iosfwd>
#include <string>
#include <vector>

#include "model/services_requis.h"

namespace horlivet {

inline constexpr int sortie_sans_avertissement = 0;
inline constexpr int sortie_avertissements = 1;
inline constexpr int sortie_erreur = 2;

// The help text of horlivet-plan.
std::string aide_plan();

// Runs horlivet-plan with `arguments` (the program name left out): prints the plan of the
// settings file named there, or of ervaline.ini in `dossier_programme`, to `sortie`, and
// writes the chart with --svg. Errors go to `erreurs`, naming the file and the reason.
// `maintenant` is the real instant now, `locale` the system's local time of an instant.
// `soleil` gives the sun times of the slots that follow the sun (none: their fixed times);
// `lit_fichier` reads today's draw from horlivet.etat beside the settings (none: undrawn).
// Returns sortie_sans_avertissement, sortie_avertissements or sortie_erreur.
int execute_plan(const std::vector<std::string>& arguments, const std::string& dossier_programme,
                 std::chrono::sys_seconds maintenant, const conversion_locale& locale,
                 std::ostream& sortie, std::ostream& erreurs, const calcul_soleil& soleil = {},
                 const lecture_fichier& lit_fichier = {});

}  // namespace horlivet
