#include <chrono>
#include <iostream>
#include <string>
#include <vector>

#include "plan/ligne_commande.h"
#include "platform/fichier_entier.h"
#include "platform/horloge.h"
#include "platform/soleil_nova.h"
#include "platform/systeme.h"

// horlivet-plan: the schedule of ervaline.ini as text, and optionally as a week chart.
int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const auto maintenant =
        std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
    return horlivet::execute_plan(arguments, horlivet::dossier_executable(), maintenant,
                                  horlivet::date_locale, std::cout, std::cerr,
                                  horlivet::soleil_libnova, horlivet::lit_fichier_entier);
}
