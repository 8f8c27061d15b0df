// The window's run of horlivet, in a module of its own (horlivet-fenetre.so) that the
// program loads only when a display answers (app/main.cpp): Qt's GUI libraries come
// with it.

#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>

#include <QApplication>

#include "plan/statut.h"
#include "platform/dialogues.h"
#include "platform/horloge.h"
#include "platform/interface_qt.h"
#include "platform/lanceur.h"
#include "platform/prise_qt.h"
#include "platform/services_reels.h"
#include "platform/systeme.h"
#include "platform/verrou.h"
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
    // One program per folder: a second one with a window says who runs there and ends,
    // having loaded, launched and written nothing.
    const std::string dossier = horlivet::dossier_executable();
    const horlivet::verrou verrou = horlivet::prend_verrou(dossier);
    if (verrou.etat == horlivet::verrou::issue::occupe) {
        const std::string qui = verrou.detenteur > 0 ? std::to_string(verrou.detenteur) : "?";
        std::fprintf(stderr,
                     "horlivet: another horlivet runs in this folder (process %s); this one "
                     "launches nothing and ends with status %d\n",
                     qui.c_str(), horlivet::statut_deja_lance);
        horlivet::message_qt("Horlivet",
                             "Horlivet tourne déjà dans ce dossier (processus " + qui +
                                 ").\nCe programme-ci s'arrête sans rien lancer. Si c'est le "
                                 "service, arrêtez-le d'abord : systemctl --user stop horlivet");
        return horlivet::statut_deja_lance;
    }
    horlivet::surveille_enfants_qt();

    horlivet::programme p;
    p.s = horlivet::services_reels();
    p.s.message = horlivet::message_qt;
    p.s.choisit_fichier = horlivet::choisit_fichier_qt;
    horlivet::route_handlers(p);
    horlivet::arret_a_la_sortie(p);
    horlivet::fenetre_qt ervaline(p);
    ervaline.demarre(dossier);
    horlivet::prochains_en_cache prochains;
    // horlivet-ctl's requests, once the lock is ours and the schedule runs; the socket
    // goes with the process.
    if (verrou.etat == horlivet::verrou::issue::pris) {
        const std::string faute =
            horlivet::ecoute_commandes(dossier, [&p, &ervaline, &prochains](std::string_view l) {
                std::string reponse = horlivet::repond_avec_prochains(
                    p, l, "horlivet-ctl", prochains,
                    std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now()),
                    horlivet::date_locale);
                ervaline.actualise_infobulles();
                return reponse;
            });
        if (!faute.empty())
            std::fprintf(stderr, "horlivet: no control by horlivet-ctl: %s\n", faute.c_str());
        p.s.termine = [termine = p.s.termine](int statut) {
            horlivet::retire_prise();
            termine(statut);
        };
    }
    // The shutdown ends the process itself (services::termine); nothing else ends the
    // loop, but if anything did, the channels would be stopped all the same.
    application.exec();
    horlivet::arret_imprevu(p);
    return 1;
}
