#include "window/demarrage.h"

#include <cstdlib>
#include <string>
#include <thread>
#include <utility>

#include "model/horaires_du_jour.h"
#include "scheduler/commande.h"
#include "scheduler/etat.h"
#include "scheduler/journal.h"
#include "settings/ini.h"
#include "window/verif.h"

namespace horlivet {

namespace {

// The program the exit hook stops, and the thread that may run it; none once its
// shutdown has begun.
programme* a_arreter = nullptr;
std::thread::id fil_principal;

void arret(programme& p, int statut) {
    // Once: a signal or a click that a launch's message box lets in finds it begun.
    if (p.g.arret_commence) return;
    p.g.arret_commence = true;
    if (a_arreter == &p) a_arreter = nullptr;
    p.g.ticks_actifs = false;
    // The journal of this month: only ticks set it, and a shutdown may come before the
    // first one (a restored slot stopped at once).
    verif_mois(p);
    std::string arretees;
    for (int i = 0; i < nb_voies; ++i) {
        if (!voie_active(p.g, i)) continue;
        command_A(p, i);
        arretees += (arretees.empty() ? "" : ", ") + ("channel " + std::to_string(i + 1) + " \"" +
                                                      texte(p.fenetre, champ::nom, i) + "\"");
    }
    vide_etat(p);
    // Whoever watches the process (a service's log, a terminal) learns what the end left
    // switched: the journal says it only to those who open it.
    if (p.s.signale) {
        p.s.signale((statut == 0 ? "shutdown: "
                                 : "ended unasked, status 1 so that a service restarts it: ") +
                    (arretees.empty() ? "no channel was started"
                                      : "stop command launched for " + arretees));
    }
    p.s.termine(statut);
}

// Only on the thread that runs the event loop: elsewhere the model may be in use.
void sur_sortie() {
    if (std::this_thread::get_id() != fil_principal) return;
    programme* p = std::exchange(a_arreter, nullptr);
    if (!p) return;
    // exit() may come from inside the window system while it is torn down (a display that
    // went away): the stops, the journal and the state file need no widget, and no widget
    // may be touched now, so the model stops showing and raising handlers.
    p->fenetre.sur_affichage = nullptr;
    p->fenetre.sur_edition = nullptr;
    arret(*p, 1);
}

}  // namespace

bool voie_active(const globales& g, int i) {
    // Held on by hand: on, whatever its slots.
    if (g.forcages.at(static_cast<std::size_t>(i)).s == forcage::sorte::marche) return true;
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
    montre_horaires_du_jour(p);
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

void FIN_Click(programme& p) { arret(p, 0); }
void Form_Unload(programme& p) { arret(p, 0); }

void arret_a_la_sortie(programme& p) {
    // What the journal line's date and time build is then destroyed after the hook runs,
    // which exit handlers do in the reverse order of their registration.
    const date_heure maintenant = p.s.maintenant();
    p.s.date_longue(maintenant);
    p.s.heure_longue(maintenant);
    static const bool inscrit = std::atexit(sur_sortie) == 0;
    if (!inscrit) return;
    fil_principal = std::this_thread::get_id();
    a_arreter = &p;
}

void arret_imprevu(programme& p) { arret(p, 1); }

}  // namespace horlivet
