#include "platform/services.h"

#include <cstdio>
#include <cstdlib>

#include "platform/dialogues.h"
#include "platform/fichier_entier.h"
#include "platform/formats.h"
#include "platform/horloge.h"
#include "platform/journal_fichier.h"
#include "platform/lanceur.h"

namespace horlivet {

services services_reels() {
    services s;
    s.maintenant = maintenant_systeme;
    s.lance = lance_fichier;
    s.ajoute_ligne = ajoute_au_fichier;
    s.lit_fichier = lit_fichier_entier;
    s.remplace_fichier = remplace_fichier_atomique;
    s.date_longue = date_longue_locale;
    s.heure_longue = heure_longue_locale;
    s.message = message_qt;
    s.choisit_fichier = choisit_fichier_qt;
    s.traite_evenements = traite_evenements_qt;
    s.signale = [](const std::string& texte) {
        std::fprintf(stderr, "horlivet: %s\n", texte.c_str());
    };
    s.termine = [] {
        std::fflush(nullptr);
        std::_Exit(0);
    };
    return s;
}

}  // namespace horlivet
