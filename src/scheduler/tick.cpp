#include "scheduler/tick.h"

#include "scheduler/commande.h"
#include "scheduler/journal.h"

namespace horlivet {

namespace {

constexpr heure_du_jour une_minute = 60;

// The closed window [t, t + 1 min], compared as times of day: it never runs past
// midnight, so a slot at 23:59 ends at 23:59:59.
bool dans_la_fenetre(programme& p, heure_du_jour t) {
    const heure_du_jour t1 = p.s.maintenant().secondes;
    const heure_du_jour t2 = p.s.maintenant().secondes;
    return t1 >= t && t2 <= t + une_minute;
}

}  // namespace

void Timer1_Timer(programme& p) {
    if (!p.g.ticks_actifs) return;
    verif_mois(p);
    const date_heure aujourdhui = p.s.maintenant();
    const champ D = jour(aujourdhui.jour_semaine);
    const int date = aujourdhui.annee * 10000 + aujourdhui.mois * 100 + aujourdhui.jour;

    for (int i = 0; i < nb_voies; ++i) {
        for (int k = 1; k <= nb_plages; ++k) {
            if (!(coche(p.fenetre, D, i) && coche(p.fenetre, valid_k(k), i))) continue;
            bool& attente = attente_k(p.g, k, i);
            int& dernier_debut = p.g.date_dernier_debut[static_cast<std::size_t>(k - 1)]
                                                       [static_cast<std::size_t>(i)];
            if (dans_la_fenetre(p, debut_k(p.h, k, i)) && attente && dernier_debut != date) {
                attente = false;
                dernier_debut = date;
                command_M(p, i);
            }
            if (dans_la_fenetre(p, fin_k(p.h, k, i)) && !attente) {
                attente = true;
                command_A(p, i);
            }
        }
    }
}

}  // namespace horlivet
