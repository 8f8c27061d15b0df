#include "scheduler/journal.h"

#include <cstdio>

namespace horlivet {

namespace {

// Counts UTF-8 characters: every byte that does not continue a sequence.
std::size_t nb_caracteres(std::string_view s) {
    std::size_t n = 0;
    for (unsigned char c : s) n += (c & 0xC0) != 0x80;
    return n;
}

void ajoute_champ(std::string& ligne, std::string_view valeur) {
    for (char c : valeur) ligne += (c == '\r' || c == '\n') ? ' ' : c;
}

void ajoute_a_droite(std::string& ligne, std::string_view valeur, std::size_t largeur) {
    const std::size_t n = nb_caracteres(valeur);
    if (n < largeur) ligne.append(largeur - n, ' ');
    ajoute_champ(ligne, valeur);
}

}  // namespace

void verif_mois(programme& p) {
    const date_heure d = p.s.maintenant();
    char mois[16];
    std::snprintf(mois, sizeof mois, "%04d-%02d", d.annee, d.mois);
    p.g.mois_courant = mois;
    if (p.g.mois_courant != p.g.mois_precedent) {
        p.g.fichier_journal = p.g.dossier_programme + "journal_" + p.g.mois_courant + ".txt";
        p.g.mois_precedent = p.g.mois_courant;
    }
}

std::string format_ligne_journal(std::string_view date, std::string_view heure,
                                 std::string_view nom, std::string_view etat,
                                 std::string_view resultat, std::string_view commande) {
    std::string ligne;
    ligne.reserve(96 + nom.size() + commande.size());
    ajoute_champ(ligne, date);
    ligne += " * ";
    ajoute_champ(ligne, heure);
    ligne += "  : ";
    ajoute_a_droite(ligne, nom, 14);
    ligne += "  *** ";
    ligne += ' ';
    ajoute_a_droite(ligne, etat, 4);
    ligne += ' ';
    ligne += ' ';
    ajoute_a_droite(ligne, resultat, 8);
    ligne += ' ';
    ligne += " commande : ";
    ajoute_champ(ligne, commande);
    return ligne;
}

void journal(programme& p, int i, std::string_view etat, std::string_view resultat,
             std::string_view commande) {
    const date_heure d = p.s.maintenant();
    std::string ligne =
        format_ligne_journal(p.s.date_longue(d), p.s.heure_longue(d),
                             texte(p.fenetre, champ::nom, i), etat, resultat, commande);
    ligne += "\r\n";
    const std::string erreur = p.s.ajoute_ligne(p.g.fichier_journal, ligne);
    if (!erreur.empty() && p.s.signale) {
        p.s.signale("journal " + p.g.fichier_journal + ": " + erreur);
    }
}

}  // namespace horlivet
