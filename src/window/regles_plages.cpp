#include "window/regles_plages.h"

#include "model/horaires_du_jour.h"

namespace horlivet {

namespace {

regles_plage& saisies(programme& p, int k, int i) {
    return p.g.variables.regles_saisies.at(static_cast<std::size_t>(k - 1))
        .at(static_cast<std::size_t>(i));
}

}  // namespace

const regles_plage& regles_saisies(const programme& p, int k, int i) {
    return p.g.variables.regles_saisies.at(static_cast<std::size_t>(k - 1))
        .at(static_cast<std::size_t>(i));
}

void choisit_soleil(programme& p, int k, int i, bool debut, const regle_soleil& r) {
    (debut ? saisies(p, k, i).soleil_debut : saisies(p, k, i).soleil_fin) = r;
    montre_marque(p.fenetre);
}

void choisit_variation(programme& p, int k, int i, bool debut, int minutes) {
    (debut ? saisies(p, k, i).alea_debut : saisies(p, k, i).alea_fin) = minutes;
    montre_marque(p.fenetre);
}

void choisit_heure_fixe(programme& p, int k, int i, bool debut) {
    const variables_plages& v = p.g.variables;
    const regles_plage& r = regles_k(v, k, i);
    if ((debut ? r.alea_debut : r.alea_fin) > 0 &&
        !(v.place && (debut ? r.soleil_debut : r.soleil_fin)) &&
        cote_variable(v.lieu_saisi, saisies(p, k, i), debut)) {
        ecrit_heure(p.fenetre, k, i, debut, debut ? debut_k(v.fixes, k, i) : fin_k(v.fixes, k, i));
    }
    regles_plage& s = saisies(p, k, i);
    (debut ? s.soleil_debut : s.soleil_fin).reset();
    (debut ? s.alea_debut : s.alea_fin) = 0;
    montre_marque(p.fenetre);
}

void choisit_lieu(programme& p, const lieu& l) {
    p.g.variables.lieu_saisi = l;
    montre_marque(p.fenetre);
}

void heure_tapee(programme& p, champ c, int i) {
    for (int k = 1; k <= nb_plages; ++k) {
        const bool debut = c == H_marche(k) || c == M_marche(k);
        if (!debut && c != H_arret(k) && c != M_arret(k)) continue;
        regles_plage& s = saisies(p, k, i);
        (debut ? s.soleil_debut : s.soleil_fin).reset();
        (debut ? s.alea_debut : s.alea_fin) = 0;
        return;
    }
}

}  // namespace horlivet
