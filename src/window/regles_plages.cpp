#include "window/regles_plages.h"

#include "model/horaires_du_jour.h"

namespace horlivet {

namespace {

// The start (`debut`) or stop of slot k of channel i follows neither sun nor draw.
void rend_fixe(programme& p, int k, int i, bool debut) {
    regles_plage& r = regles_saisies_k(p.g.variables, k, i);
    soleil_de(r, debut).reset();
    alea_de(r, debut) = 0;
}

}  // namespace

void choisit_soleil(programme& p, int k, int i, bool debut, const regle_soleil& r) {
    soleil_de(regles_saisies_k(p.g.variables, k, i), debut) = r;
    montre_marque(p.fenetre);
}

void choisit_variation(programme& p, int k, int i, bool debut, int minutes) {
    alea_de(regles_saisies_k(p.g.variables, k, i), debut) = minutes;
    montre_marque(p.fenetre);
}

void choisit_heure_fixe(programme& p, int k, int i, bool debut) {
    const variables_plages& v = p.g.variables;
    // A field showing today's draw shows again the time it was drawn around.
    if (varie_sans_soleil(v.place, regles_k(v, k, i), debut) &&
        cote_variable(v.lieu_saisi, regles_saisies_k(v, k, i), debut)) {
        ecrit_heure(p.fenetre, k, i, debut, debut ? debut_k(v.fixes, k, i) : fin_k(v.fixes, k, i));
    }
    rend_fixe(p, k, i, debut);
    montre_marque(p.fenetre);
}

void choisit_lieu(programme& p, const lieu& l) {
    p.g.variables.lieu_saisi = l;
    montre_marque(p.fenetre);
}

void heure_tapee(programme& p, champ c, int i) {
    if (const int k = plage_de(c); k != 0) rend_fixe(p, k, i, est_debut(c));
}

}  // namespace horlivet
