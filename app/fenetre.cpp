// The window's run of horlivet, in a module of its own (horlivet-fenetre.so) that the
// program loads only when a display answers (app/main.cpp): Qt's GUI libraries come
// with it.

#include <string>

#include <QApplication>

#include "platform/dialogues.h"
#include "platform/interface_qt.h"
#include "platform/lanceur.h"
#include "platform/services.h"
#include "platform/systeme.h"
#include "window/demarrage.h"
#include "window/edition.h"
#include "window/fenetre_qt.h"

extern "C" int horlivet_fenetre(char** argv, const char* plateforme) {
    std::jthread polices = horlivet::prepare_polices();
    // The program takes nothing on its command line, not even Qt's own options; Qt gets
    // the platform the program checked (horlivet::cherche_affichage), and tries no other.
    std::string options[] = {argv[0], "-platform", plateforme};
    char* arguments[] = {options[0].data(), options[1].data(), options[2].data(), nullptr};
    int nb_arguments = 3;
    QApplication application(nb_arguments, arguments);
    horlivet::installe_traductions_qt();
    polices.join();
    horlivet::surveille_enfants_qt();

    horlivet::programme p;
    p.s = horlivet::services_reels();
    p.s.message = horlivet::message_qt;
    p.s.choisit_fichier = horlivet::choisit_fichier_qt;
    horlivet::route_handlers(p);
    horlivet::arret_a_la_sortie(p);
    horlivet::fenetre_qt ervaline(p);
    ervaline.demarre(horlivet::dossier_executable());
    // The shutdown ends the process itself (services::termine); nothing else ends the
    // loop, but if anything did, the channels would be stopped all the same.
    application.exec();
    horlivet::arret_imprevu(p);
    return 1;
}
