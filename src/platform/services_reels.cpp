#include "platform/services_reels.h"

#include <cstdio>
#include <cstdlib>

#include <QCoreApplication>

#include "platform/fichier_entier.h"
#include "platform/formats.h"
#include "platform/horloge.h"
#include "platform/journal_fichier.h"
#include "platform/lanceur.h"
#include "platform/soleil_nova.h"

namespace horlivet {

void message_sur_erreur_standard(const std::string& titre, const std::string& texte) {
    std::string ligne = texte;
    for (char& c : ligne) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    std::fprintf(stderr, "%s: %s\n", titre.c_str(), ligne.c_str());
}

services services_reels() {
    services s;
    s.maintenant = maintenant_systeme;
    s.lance = lance_fichier;
    s.ajoute_ligne = ajoute_au_fichier;
    s.lit_fichier = lit_fichier_entier;
    s.remplace_fichier = remplace_fichier_atomique;
    s.efface_restes = efface_temporaires;
    s.locale = date_locale;
    s.date_longue = date_longue_locale;
    s.heure_longue = heure_longue_locale;
    s.message = message_sur_erreur_standard;
    s.choisit_fichier = [](const demande_fichier&) { return std::string(); };
    s.traite_evenements = [] { QCoreApplication::processEvents(); };
    s.signale = [](const std::string& texte) {
        std::fprintf(stderr, "horlivet: %s\n", texte.c_str());
    };
    s.termine = [](int statut) {
        std::fflush(nullptr);
        std::_Exit(statut);
    };
    s.soleil = soleil_libnova;
    s.aleatoire = tirage_systeme();
    return s;
}

}  // namespace horlivet
