// horlivet: the window when a display answers, loaded from the module beside the
// program; otherwise the same schedule in a Qt core application, without a widget and
// without Qt's GUI libraries.

#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>

#include <QCoreApplication>

#include "plan/statut.h"
#include "platform/affichage.h"
#include "platform/horloge.h"
#include "platform/lanceur.h"
#include "platform/prise_qt.h"
#include "platform/services_reels.h"
#include "platform/systeme.h"
#include "platform/verrou.h"
#include "window/demarrage.h"
#include "window/edition.h"
#include "window/sans_fenetre_qt.h"

int main(int, char** argv) {
    const std::string dossier = horlivet::dossier_executable();
    horlivet::affichage affichage = horlivet::cherche_affichage();
    if (affichage.fenetre) {
        if (const auto fenetre = horlivet::charge_fenetre(dossier, affichage.raison))
            return fenetre(argv, affichage.plateforme.c_str());
    }
    // One program per folder: a second one waits here, having loaded nothing.
    const bool verrouille = horlivet::verrouille_ou_attend(dossier);
    // The program takes nothing on its command line, not even Qt's own options.
    int nb_arguments = 1;
    QCoreApplication application(nb_arguments, argv);
    horlivet::surveille_enfants_qt();

    horlivet::programme p;
    p.s = horlivet::services_reels();
    horlivet::route_handlers(p);
    horlivet::arret_a_la_sortie(p);
    horlivet::demarre_sans_fenetre(p, dossier, affichage.raison);
    horlivet::prochains_en_cache prochains;
    // horlivet-ctl's requests, once the lock is ours and the schedule runs; the socket
    // goes with the process.
    if (verrouille) {
        const std::string faute =
            horlivet::ecoute_commandes(dossier, [&p, &prochains](std::string_view l) {
                return horlivet::repond_avec_prochains(
                    p, l, "horlivet-ctl", prochains,
                    std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now()),
                    horlivet::date_locale);
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
