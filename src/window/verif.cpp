#include "window/verif.h"

namespace horlivet {

bool verif_jour(const ervaline& f, int i) {
    bool un_jour = false;
    for (int d = 0; d < nb_jours; ++d) {
        if (coche(f, jour(d), i)) un_jour = true;
    }
    return un_jour;
}

void colorie_plage(ervaline& f, int k, int i) {
    const bool active = coche(f, valid_k(k), i);
    const couleur fond = active && verif_jour(f, i) ? vert_clair : gris_clair;
    for (champ c : {H_marche(k), H_arret(k), M_marche(k), M_arret(k)}) ecrit_fond(f, c, i, fond);
    montre_marque(f);
}

void valid_Click(ervaline& f, int i) { colorie_plage(f, 1, i); }
void valid_2_Click(ervaline& f, int i) { colorie_plage(f, 2, i); }
void valid_3_Click(ervaline& f, int i) { colorie_plage(f, 3, i); }
void valid_4_Click(ervaline& f, int i) { colorie_plage(f, 4, i); }

std::vector<faute_plage> plages_incoherentes(const programme& p) {
    std::vector<faute_plage> fautes;
    for (int i = 0; i < nb_voies; ++i) {
        for (int k = 1; k <= nb_plages; ++k) {
            if (!coche(p.fenetre, valid_k(k), i)) continue;
            if (!(debut_k(p.h, k, i) < fin_k(p.h, k, i))) fautes.push_back({i, k, 0});
        }
    }
    return fautes;
}

std::vector<faute_plage> plages_recouvrantes(const programme& p) {
    std::vector<faute_plage> fautes;
    for (int i = 0; i < nb_voies; ++i) {
        int precedente = 0;
        heure_du_jour reference = 0;
        for (int k = 1; k <= nb_plages; ++k) {
            if (!coche(p.fenetre, valid_k(k), i)) continue;
            if (k > 1 && !(debut_k(p.h, k, i) > reference)) fautes.push_back({i, k, precedente});
            precedente = k;
            reference = fin_k(p.h, k, i);
        }
    }
    return fautes;
}

void verif_suite(programme& p) {
    const std::vector<faute_plage> fautes = plages_incoherentes(p);
    if (!fautes.empty()) message_incoherence(p, fautes.back().voie);
}

void verif_suite_2(programme& p) {
    const std::vector<faute_plage> fautes = plages_recouvrantes(p);
    if (!fautes.empty()) message_recouvrement(p, fautes.back().voie);
}

std::string texte_incoherence(int n) {
    return "le séquencement des heures de l'ervaline : " + std::to_string(n + 1) +
           "\r\nne semble pas cohérent";
}

std::string texte_recouvrement(int n) {
    return "attention , il est préférable  d'ordonner les heures afin d'éviter les "
           "recouvrements  d'actions \r\n(l'ervaline concerné est le : " +
           std::to_string(n + 1);
}

void message_incoherence(programme& p, int n) {
    p.s.message(titre_programme, texte_incoherence(n));
}
void message_recouvrement(programme& p, int n) {
    p.s.message(titre_programme, texte_recouvrement(n));
}

}  // namespace horlivet
