#include "scheduler/commande.h"

#include "scheduler/etat.h"
#include "scheduler/journal.h"

namespace horlivet {

namespace {

void lance_commande(programme& p, int i, champ commande, couleur fond) {
    const std::string fichier = commande_a_lancer(texte(p.fenetre, commande, i));
    if (p.s.maintenant) p.g.dernier_lancement.at(static_cast<std::size_t>(i)) = p.s.maintenant();
    const int code = p.s.lance(fichier, p.g.dossier_actions);
    const std::string resultat = code > 32 ? "OK" : "Erreur " + std::to_string(code);
    journal(p, i, "ON", resultat, fichier);
    ecrit_fond(p.fenetre, champ::nom, i, fond);
    ecrit_fond(p.fenetre, champ::Option1, i, fond);
}

}  // namespace

std::string commande_a_lancer(std::string_view texte) {
    const auto debut = texte.find_first_not_of(' ');
    if (debut == std::string_view::npos) return "null.bat";
    const auto fin = texte.find_last_not_of(' ');
    return std::string(texte.substr(debut, fin - debut + 1));
}

void command_M(programme& p, int i) {
    note_marche(p);
    lance_commande(p, i, champ::Commande_marche, mauve_clair);
}

void command_A(programme& p, int i) {
    lance_commande(p, i, champ::commande_arret, jaune_clair);
    note_arret(p, i);
}

}  // namespace horlivet
