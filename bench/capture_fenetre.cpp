// Renders the real window, with one channel set up as a user would, to a PNG: a look at
// the layout without a display. Usage: capture_fenetre [file.png]

#include <cstdio>
#include <cstdlib>

#include <QApplication>
#include <QTemporaryDir>

#include "platform/services_reels.h"
#include "window/edition.h"
#include "window/fenetre_qt.h"

namespace {

// Channel 1 as a user sets it up: a pump on weekdays, 07:30 to 08:15.
void regle_pompe(horlivet::ervaline& f) {
    using horlivet::champ;
    horlivet::ecrit_texte(f, champ::nom, 0, "Pompe");
    for (int d = 0; d < 5; ++d) horlivet::ecrit_coche(f, horlivet::jour(d), 0, true);
    horlivet::ecrit_position(f, champ::H_marche_1, 0, 7);
    horlivet::ecrit_position(f, champ::M_marche_1, 0, 30);
    horlivet::ecrit_position(f, champ::H_arret_1, 0, 8);
    horlivet::ecrit_position(f, champ::M_arret_1, 0, 15);
    horlivet::ecrit_coche(f, champ::valid, 0, true);
    horlivet::ecrit_texte(f, champ::Commande_marche, 0, "/opt/horlivet/actions/pompe_marche.sh");
    horlivet::ecrit_texte(f, champ::commande_arret, 0, "pompe_arret.sh");
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    const QString fichier = argc > 1 ? QString::fromLocal8Bit(argv[1]) : "screenshot.png";

    QTemporaryDir dossier;
    horlivet::programme p;
    p.s = horlivet::services_reels();
    horlivet::route_handlers(p);
    horlivet::fenetre_qt ervaline(p);
    ervaline.demarre(dossier.path().toStdString());
    regle_pompe(p.fenetre);
    application.processEvents();

    if (!ervaline.grab().save(fichier)) {
        std::fprintf(stderr, "capture_fenetre: cannot write %s\n", qPrintable(fichier));
        return 1;
    }
    return 0;
}
