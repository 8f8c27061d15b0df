// The tick with the real launcher and the real journal file.

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/reel.h"

namespace horlivet {
namespace {

using namespace test;
namespace fs = std::filesystem;
using essai::lit_fichier;

std::vector<std::string> lignes(const std::string& texte) {
    std::vector<std::string> r;
    std::istringstream flux(texte);
    for (std::string ligne; std::getline(flux, ligne);) r.push_back(ligne);
    return r;
}

// A file removed while its slot waits for its next start: that start fails with "Erreur
// 2", is journalled, and the slot's stop still follows.
TEST(LancementsReels, ACommandFileDeletedBetweenTwoLaunchesGivesErreur2) {
    banc_reel b;
    essai::ecrit_fichier(b.actions() / "marche.sh", "#!/bin/sh\necho marche >> marques\n");
    fs::permissions(b.actions() / "marche.sh", fs::perms::owner_all);
    essai::ecrit_fichier(b.actions() / "arret.bat", "echo arret >> marques\n");
    ecrit_texte(b.p.fenetre, champ::Commande_marche, 0, "marche.sh");
    ecrit_texte(b.p.fenetre, champ::commande_arret, 0, "arret.bat");
    horaire{0, {0, 1}, {{1, 8, 30, 9, 0, 1}}}(b.p);
    // The ticks come at once here: each script ends before the next launch, as it would
    // in the half hour between them.
    b.p.s.lance = [](const std::string& fichier, const std::string& dossier) {
        const int code = lance_fichier(fichier, dossier);
        attend_fin_enfants();
        return code;
    };

    const sys_seconds lundi = a(2026y / December / 7d, 8, 0);
    simule(b.p, b.m, lundi, lundi + 2h);
    fs::remove(b.actions() / "marche.sh");
    simule(b.p, b.m, lundi + 24h, lundi + 26h);
    ASSERT_TRUE(attend_fin_enfants());

    std::vector<std::string> resultats;
    for (const std::string& l : lignes(lit_fichier(b.journal()))) {
        resultats.push_back(l.substr(l.find(" ON ") + 3));  // result, command
    }
    EXPECT_EQ(resultats,
              (std::vector<std::string>{
                  "        OK  commande : marche.sh\r", "        OK  commande : arret.bat\r",
                  "  Erreur 2  commande : marche.sh\r", "        OK  commande : arret.bat\r"}));
    EXPECT_TRUE(b.m.signalements.empty());
    // The scripts run beside each other: only what each wrote counts, not the order.
    std::vector<std::string> marques = lignes(lit_fichier(b.actions() / "marques"));
    std::sort(marques.begin(), marques.end());
    EXPECT_EQ(marques, (std::vector<std::string>{"arret", "arret", "marche"}));
}

}  // namespace
}  // namespace horlivet
