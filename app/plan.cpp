#include <iostream>
#include <string>
#include <vector>

#include "plan/ligne_commande.h"
#include "platform/horloge.h"
#include "platform/systeme.h"

// horlivet-plan: the schedule of ervaline.ini as text, and optionally as a week chart.
int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    return horlivet::execute_plan(arguments, horlivet::dossier_executable(),
                                  horlivet::maintenant_systeme(), std::cout, std::cerr);
}
