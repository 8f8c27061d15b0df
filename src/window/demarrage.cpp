#include "window/demarrage.h"

#include "scheduler/commande.h"
#include "scheduler/etat.h"
#include "settings/ini.h"
#include "window/verif.h"

namespace horlivet {

namespace {

void arret(programme& p) {
    p.g.ticks_actifs = false;
    for (int i = 0; i < nb_voies; ++i) {
        if (voie_active(p.g, i)) command_A(p, i);
    }
    vide_etat(p);
    p.s.termine();
}

}  // namespace

bool voie_active(const globales& g, int i) {
    for (int k = 1; k <= nb_plages; ++k) {
        if (!attente_k(g, k, i)) return true;
    }
    return false;
}

void Form_Load(programme& p, const std::string& dossier_executable) {
    p.g.ticks_actifs = false;
    fixe_dossier_programme(p.g, dossier_executable);
    p.g.mois_courant.clear();
    p.g.mois_precedent.clear();
    p.g.fichier_journal.clear();

    remplit_listes(p.fenetre);

    lecture_ini(p);
    for (auto& plage : p.g.attente) plage.fill(true);
    // A run catches up only the minutes between two of its own ticks.
    p.g.dernier_tick.reset();
    restaure_etat(p);
    // From here on the ticks act, also those that the load's warning box delivers while
    // it waits for OK: an overnight slot raises it at every start, and an unattended
    // start must not wait for someone to close it.
    p.g.ticks_actifs = true;
    verif_suite(p);

    for (int i = 0; i < nb_voies; ++i) {
        valid_Click(p.fenetre, i);
        valid_2_Click(p.fenetre, i);
        valid_3_Click(p.fenetre, i);
        valid_4_Click(p.fenetre, i);
    }
    for (int i = 0; i < nb_voies; ++i) ecrit_visible(p.fenetre, champ::erva, i, false);
    ecrit_visible(p.fenetre, champ::erva, 0, true);
    selectionne_option(p.fenetre, 0);
    cache_marque(p.fenetre);
}

void FIN_Click(programme& p) { arret(p); }
void Form_Unload(programme& p) { arret(p); }

}  // namespace horlivet
