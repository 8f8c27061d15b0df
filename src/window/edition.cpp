#include "window/edition.h"

#include "scheduler/etat.h"
#include "settings/ini.h"
#include "window/verif.h"

namespace horlivet {

namespace {

void choisit_commande(programme& p, champ commande, int i) {
    const demande_fichier demande{
        titre_choix_fichier,
        // Linux programs and scripts seldom carry an extension: the last entry lets the
        // user pick them.
        {{"fichier commande", "*.bat"}, {"fichier EXE", "*.exe"}, {"tous les fichiers", "*"}},
        p.g.dossier_actions,
    };
    if (p.s.traite_evenements) p.s.traite_evenements();
    const std::string choisi = p.s.choisit_fichier(demande);
    if (choisi.empty()) return;
    ecrit_texte(p.fenetre, commande, i, choisi);
    montre_marque(p.fenetre);
}

}  // namespace

void Option1_Click(ervaline& f, int i) {
    for (int j = 0; j < nb_voies; ++j) ecrit_visible(f, champ::erva, j, false);
    if (coche(f, champ::Option1, i)) ecrit_visible(f, champ::erva, i, true);
}

void jour_Click(ervaline& f, int d, int i) {
    jour(d);  // refuses a bad day before anything changes
    montre_marque(f);
    for (int k = 1; k <= nb_plages; ++k) colorie_plage(f, k, i);
}

void nom_Change(ervaline& f, int /*i*/) { montre_marque(f); }
void heure_minute_Change(ervaline& f, champ /*c*/, int /*i*/) { montre_marque(f); }

void Commande_marche_DblClick(programme& p, int i) {
    choisit_commande(p, champ::Commande_marche, i);
}
void commande_arret_DblClick(programme& p, int i) { choisit_commande(p, champ::commande_arret, i); }

int position_tapee(std::string_view texte, int taille) {
    const auto debut = texte.find_first_not_of(' ');
    if (debut == std::string_view::npos) return -1;
    const auto fin = texte.find_last_not_of(' ');
    int n = 0;
    for (const char chiffre : texte.substr(debut, fin - debut + 1)) {
        if (chiffre < '0' || chiffre > '9') return -1;
        n = n * 10 + (chiffre - '0');
        if (n >= taille) return -1;  // also keeps n far from overflow
    }
    return n;
}

void route_edition(programme& p, champ c, int i) {
    ervaline& f = p.fenetre;
    if (c == champ::nom) {
        nom_Change(f, i);
    } else if (est_combo(c)) {
        heure_minute_Change(f, c, i);
    } else if (c >= champ::lundi && c <= champ::dimanche) {
        jour_Click(f, static_cast<int>(c) - static_cast<int>(champ::lundi), i);
    } else if (c >= champ::valid && c <= champ::valid_4) {
        colorie_plage(f, static_cast<int>(c) - static_cast<int>(champ::valid) + 1, i);
    } else if (c == champ::Option1) {
        Option1_Click(f, i);
    }
}

void route_handlers(programme& p) {
    p.fenetre.sur_edition = [&p](champ c, int i) { route_edition(p, c, i); };
}

void enregistre_Click(programme& p) {
    const std::string erreur = ecriture_ini(p);
    // A draw the save made goes to the state file, as a tick's does.
    if (a_des_variables(p.g.variables)) note_forcages(p);
    verif_suite(p);
    verif_suite_2(p);
    if (!erreur.empty()) {
        p.s.message(titre_programme, "Les réglages n'ont pas pu être enregistrés dans " +
                                         p.g.fichier_ini + " :\r\n" + erreur);
        return;
    }
    cache_marque(p.fenetre);
}

}  // namespace horlivet
