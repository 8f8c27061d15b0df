#include <QApplication>

#include "platform/affichage.h"
#include "platform/lanceur.h"
#include "platform/services.h"
#include "platform/systeme.h"
#include "window/edition.h"
#include "window/fenetre_qt.h"

int main(int, char** argv) {
    horlivet::choisit_plateforme_sans_affichage();
    std::jthread polices = horlivet::prepare_polices();
    // The program takes nothing on its command line, not even Qt's own options.
    int nb_arguments = 1;
    QApplication application(nb_arguments, argv);
    polices.join();
    horlivet::surveille_enfants_qt();

    horlivet::programme p;
    p.s = horlivet::services_reels();
    horlivet::route_handlers(p);
    horlivet::fenetre_qt ervaline(p);
    ervaline.demarre(horlivet::dossier_executable());
    // The shutdown ends the process itself (services::termine).
    return application.exec();
}
