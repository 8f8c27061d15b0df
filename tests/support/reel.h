#pragma once

// A program whose launches and journal are real: a temporary program folder with its
// actions/ inside, the real launcher and journal file; the clock and the rest stay fake.

#include <filesystem>
#include <string>

#include "commun/fichiers.h"
#include "commun/processus.h"
#include "platform/journal_fichier.h"
#include "platform/lanceur.h"
#include "scheduler/journal.h"
#include "support/faux.h"

namespace horlivet::test {

// Reaps until no child of ours is left; true when that happened in time.
inline bool attend_fin_enfants() {
    return essai::attend([] {
        recolte_enfants();
        return essai::nos_enfants().empty();
    });
}

struct banc_reel {
    essai::dossier_temporaire dossier;
    programme p;
    faux_monde m;

    banc_reel() {
        prepare(p, m);
        fixe_dossier_programme(p.g, dossier.chemin.string());
        std::filesystem::create_directory(actions());
        p.s.lance = lance_fichier;
        p.s.ajoute_ligne = ajoute_au_fichier;
        m.maintenant = a(2026y / December / 7d, 8, 0);
        verif_mois(p);
    }

    std::filesystem::path actions() const { return p.g.dossier_actions; }
    std::filesystem::path journal() const { return p.g.fichier_journal; }
};

}  // namespace horlivet::test
