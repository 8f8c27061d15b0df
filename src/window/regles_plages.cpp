#include "window/regles_plages.h"

#include "model/horaires_du_jour.h"

namespace horlivet {

namespace {

// The start's or the stop's rules of slot k of channel i, as the window shows them.
std::optional<regle_soleil>& soleil_saisi(programme& p, int k, int i, bool debut) {
    regles_plage& r = regles_saisies_k(p.g.variables, k, i);
    return debut ? r.soleil_debut : r.soleil_fin;
}
int& alea_saisi(programme& p, int k, int i, bool debut) {
    regles_plage& r = regles_saisies_k(p.g.variables, k, i);
    return debut ? r.alea_debut : r.alea_fin;
}

}  // namespace

void choisit_soleil(programme& p, int k, int i, bool debut, const regle_soleil& r) {
    soleil_saisi(p, k, i, debut) = r;
    montre_marque(p.fenetre);
}

void choisit_variation(programme& p, int k, int i, bool debut, int minutes) {
    alea_saisi(p, k, i, debut) = minutes;
    montre_marque(p.fenetre);
}

void choisit_heure_fixe(programme& p, int k, int i, bool debut) {
    const variables_plages& v = p.g.variables;
    const regles_plage& r = regles_k(v, k, i);
    // A field showing today's draw shows again the time it was drawn around.
    if ((debut ? r.alea_debut : r.alea_fin) > 0 &&
        !(v.place && (debut ? r.soleil_debut : r.soleil_fin)) &&
        cote_variable(v.lieu_saisi, regles_saisies_k(v, k, i), debut)) {
        ecrit_heure(p.fenetre, k, i, debut, debut ? debut_k(v.fixes, k, i) : fin_k(v.fixes, k, i));
    }
    soleil_saisi(p, k, i, debut).reset();
    alea_saisi(p, k, i, debut) = 0;
    montre_marque(p.fenetre);
}

void choisit_lieu(programme& p, const lieu& l) {
    p.g.variables.lieu_saisi = l;
    montre_marque(p.fenetre);
}

void heure_tapee(programme& p, champ c, int i) {
    const int k = plage_de(c);
    if (k == 0) return;
    soleil_saisi(p, k, i, est_debut(c)).reset();
    alea_saisi(p, k, i, est_debut(c)) = 0;
}

}  // namespace horlivet
