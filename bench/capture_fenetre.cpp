// Renders the real window, with one channel set up as a user would, to a PNG: a look at
// the layout without a display. With --menu, the menu of channel 1's selector is open;
// with --menu-plage, the menu of its first start field, the start following sunset; with
// --dialogue-soleil, the dialog that menu opens for sunset, alone.
// Usage: capture_fenetre [--menu | --menu-plage | --dialogue-soleil] [file.png]

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>

#include "platform/services_reels.h"
#include "window/edition.h"
#include "window/fenetre_qt.h"
#include "window/regles_plages.h"

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
    const bool menu_voie = argc > 1 && QString(argv[1]) == "--menu";
    const bool dialogue = argc > 1 && QString(argv[1]) == "--dialogue-soleil";
    const bool menu_plage = dialogue || (argc > 1 && QString(argv[1]) == "--menu-plage");
    const bool menu = menu_voie || menu_plage;
    const int suite = menu ? 2 : 1;
    const QString fichier = argc > suite ? QString::fromLocal8Bit(argv[suite]) : "screenshot.png";

    QTemporaryDir dossier;
    horlivet::programme p;
    p.s = horlivet::services_reels();
    horlivet::route_handlers(p);
    horlivet::fenetre_qt ervaline(p);
    ervaline.demarre(dossier.path().toStdString());
    regle_pompe(p.fenetre);
    if (menu_plage) {
        // Lights in Paris: sunset plus 30 minutes to 23:00, in force as a save puts it.
        horlivet::ecrit_texte(p.fenetre, horlivet::champ::nom, 0, "Lumières");
        horlivet::ecrit_position(p.fenetre, horlivet::champ::H_arret_1, 0, 23);
        horlivet::ecrit_position(p.fenetre, horlivet::champ::M_arret_1, 0, 0);
        horlivet::choisit_lieu(p, horlivet::lieu{48.8566, 2.3522});
        horlivet::choisit_soleil(p, 1, 0, true, horlivet::regle_soleil{true, 30, {}, {}});
        horlivet::enregistre_Click(p);
        ervaline.actualise_infobulles();
    }
    application.processEvents();

    if (dialogue) {
        // The dialog is modal: it is grabbed from within its own event loop, then closed.
        bool ecrit = false;
        QTimer::singleShot(200, [&] {
            QWidget* boite = QApplication::activeModalWidget();
            ecrit = boite != nullptr && boite->grab().save(fichier);
            if (boite) boite->close();
        });
        std::unique_ptr<QMenu> m(ervaline.menu_plage(horlivet::champ::M_marche_1, 0));
        m->actions().at(2)->trigger();
        return ecrit ? 0 : 1;
    }
    QPixmap image = ervaline.grab();
    if (menu) {
        // The menu is a window of its own: drawn over the window where it opens.
        auto* cible = ervaline.widget_qt(
            menu_voie ? horlivet::champ::Option1 : horlivet::champ::M_marche_1, 0);
        const QPoint ou = cible->mapTo(&ervaline, cible->rect().center());
        QMenu* m =
            menu_voie ? ervaline.menu_voie(0) : ervaline.menu_plage(horlivet::champ::M_marche_1, 0);
        m->popup(ervaline.mapToGlobal(ou));
        application.processEvents();
        // The window is narrower than its menu: the picture widens to show it whole.
        // In device pixels throughout.
        QPixmap dessin = m->grab();
        const QPoint coin = ou * image.devicePixelRatio();
        dessin.setDevicePixelRatio(1);
        image.setDevicePixelRatio(1);
        QPixmap toile(std::max(image.width(), coin.x() + dessin.width()), image.height());
        toile.fill(Qt::transparent);
        QPainter peintre(&toile);
        peintre.drawPixmap(0, 0, image);
        peintre.drawPixmap(coin, dessin);
        peintre.end();
        image = toile;
    }
    if (!image.save(fichier)) {
        std::fprintf(stderr, "capture_fenetre: cannot write %s\n", qPrintable(fichier));
        return 1;
    }
    return 0;
}
