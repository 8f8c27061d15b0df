#include "platform/fichier_entier.h"

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "commun/fichiers.h"
#include "commun/sans_root.h"

namespace horlivet {
namespace {

namespace fs = std::filesystem;
using essai::noms_dans;

TEST(FichierEntier, ReplacedWholeKeepingItsModeOrKeptWithNoTemporaryLeftAndReadBack) {
    // Root ignores permission bits.
    if (essai::relance_en_tant_que_personne()) return;
    const essai::dossier_temporaire d;
    const std::string chemin = (d.chemin / "horlivet.etat").string();
    EXPECT_EQ(lit_fichier_entier(chemin).erreur, "No such file or directory");

    // A temporary file left by a write that a kill cut short.
    essai::ecrit_fichier(d.chemin / ".horlivet.etat.tmp", "half a fi");
    ASSERT_EQ(remplace_fichier_atomique(chemin, "un\n"), "");
    fs::permissions(chemin, fs::perms::owner_read | fs::perms::owner_write);
    const std::string gros(100000, 'x');
    ASSERT_EQ(remplace_fichier_atomique(chemin, gros), "");
    EXPECT_EQ(lit_fichier_entier(chemin).texte, gros);
    EXPECT_EQ(lit_fichier_entier(chemin).erreur, "");
    EXPECT_EQ(fs::status(chemin).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_EQ(remplace_fichier_atomique(chemin, ""), "");
    EXPECT_EQ(lit_fichier_entier(chemin).texte, "");
    EXPECT_EQ(noms_dans(d.chemin), std::vector<std::string>{"horlivet.etat"});
    EXPECT_EQ(remplace_fichier_atomique((d.chemin / "absent" / "f").string(), "x"),
              "No such file or directory");
    EXPECT_EQ(lit_fichier_entier(d.chemin.string()).erreur, "Is a directory");
    fs::create_directories(d.chemin / "dossier" / "plein");
    EXPECT_EQ(remplace_fichier_atomique((d.chemin / "dossier").string(), "x"), "Is a directory");
    fs::remove_all(d.chemin / "dossier");

    // A folder closed to new files keeps the old file.
    ASSERT_EQ(remplace_fichier_atomique(chemin, "ancien\n"), "");
    fs::permissions(d.chemin, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(remplace_fichier_atomique(chemin, "nouveau\n"), "Permission denied");
    fs::permissions(chemin, fs::perms::none);
    EXPECT_EQ(lit_fichier_entier(chemin).erreur, "Permission denied");
    fs::permissions(d.chemin, fs::perms::owner_all);
    fs::permissions(chemin, fs::perms::owner_read);
    EXPECT_EQ(essai::lit_fichier(chemin), "ancien\n");
    EXPECT_EQ(noms_dans(d.chemin), std::vector<std::string>{"horlivet.etat"});
}

}  // namespace
}  // namespace horlivet
