// The tick with the real launcher and the real journal file.

#include <filesystem>
#include <regex>
#include <string>

#include <gtest/gtest.h>

#include "support/reel.h"

namespace horlivet {
namespace {

using namespace test;
namespace fs = std::filesystem;
using essai::lit_fichier;

// A file removed while its slot waits for its next start: that start fails with "Erreur
// 2", is journalled, and the slot's stop still follows.
TEST(LancementsReels, ACommandFileDeletedBetweenTwoLaunchesGivesErreur2) {
    banc_reel b;
    essai::ecrit_fichier(b.actions() / "marche.sh", "#!/bin/sh\necho marche >> marche\n");
    fs::permissions(b.actions() / "marche.sh", fs::perms::owner_all);
    essai::ecrit_fichier(b.actions() / "arret.bat", "echo arret >> arret\n");
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

    // Result and command of each line.
    EXPECT_EQ(std::regex_replace(lit_fichier(b.journal()), std::regex(".* ON"), ""),
              "        OK  commande : marche.sh\r\n        OK  commande : arret.bat\r\n"
              "  Erreur 2  commande : marche.sh\r\n        OK  commande : arret.bat\r\n");
    EXPECT_TRUE(b.m.signalements.empty());
    // The scripts run beside each other: each appends to a file of its own.
    EXPECT_EQ(lit_fichier(b.actions() / "marche") + lit_fichier(b.actions() / "arret"),
              "marche\narret\narret\n");
}

}  // namespace
}  // namespace horlivet
