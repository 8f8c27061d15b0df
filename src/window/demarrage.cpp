#include "window/demarrage.h"

#include "scheduler/commande.h"
#include "settings/ini.h"
#include "window/verif.h"

namespace horlivet {

namespace {

std::vector<std::string> liste_nombres(int nombre) {
    std::vector<std::string> liste;
    liste.reserve(static_cast<std::size_t>(nombre));
    for (int n = 0; n < nombre; ++n) liste.push_back(" " + std::to_string(n));
    return liste;
}

void arret(programme& p) {
    p.g.ticks_actifs = false;
    for (int i = 0; i < nb_voies; ++i) {
        if (voie_active(p.g, i)) command_A(p, i);
    }
    p.s.termine();
}

}  // namespace

std::string avec_separateur(std::string dossier) {
    if (dossier.empty() || dossier.back() != '/') dossier += '/';
    return dossier;
}

bool voie_active(const globales& g, int i) {
    for (int k = 1; k <= nb_plages; ++k) {
        if (!attente_k(g, k, i)) return true;
    }
    return false;
}

void Form_Load(programme& p, const std::string& dossier_executable) {
    p.g.ticks_actifs = false;
    p.g.dossier_programme = avec_separateur(dossier_executable);
    p.g.fichier_ini = p.g.dossier_programme + "ervaline.ini";
    p.g.dossier_actions = p.g.dossier_programme + "actions/";
    p.g.mois_courant.clear();
    p.g.mois_precedent.clear();
    p.g.fichier_journal.clear();

    // Every hour combo shares one list and every minute combo another.
    p.fenetre.liste_heures = liste_nombres(24);
    p.fenetre.liste_minutes = liste_nombres(60);

    lecture_ini(p);

    for (auto& plage : p.g.attente) plage.fill(true);
    p.g.ticks_actifs = true;

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
