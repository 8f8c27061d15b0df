#include "platform/fichier_entier.h"

#include <filesystem>
#include <string>
#include <vector>

#include <sys/stat.h>

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
    const auto lit = [](const std::string& c) { return lit_fichier_entier(c, 100000); };
    EXPECT_EQ(lit(chemin).erreur, "No such file or directory");
    EXPECT_TRUE(lit(chemin).absent);

    // Temporary files a kill left, a file and a link, go; a link planted at the fixed name
    // of earlier versions is never written through, nor removed.
    const essai::dossier_temporaire ailleurs;
    const fs::path dehors = ailleurs.chemin / "dehors";
    essai::ecrit_fichier(dehors, "a moi");
    essai::ecrit_fichier(d.chemin / ".horlivet.etat.Ab12Cd.tmp", "half a fi");
    fs::create_symlink(dehors, d.chemin / ".horlivet.etat.zz99ZZ.tmp");
    fs::create_symlink(dehors, d.chemin / ".horlivet.etat.tmp");
    EXPECT_EQ(efface_temporaires(chemin), "");
    EXPECT_EQ(noms_dans(d.chemin), std::vector<std::string>{".horlivet.etat.tmp"});
    ASSERT_EQ(remplace_fichier_atomique(chemin, "un\n"), "");
    EXPECT_EQ(essai::lit_fichier(dehors), "a moi");
    fs::remove(d.chemin / ".horlivet.etat.tmp");
    fs::permissions(chemin, fs::perms::owner_read | fs::perms::owner_write);
    const std::string gros(100000, 'x');
    ASSERT_EQ(remplace_fichier_atomique(chemin, gros), "");
    EXPECT_EQ(lit(chemin).texte, gros);
    EXPECT_EQ(lit(chemin).erreur, "");
    EXPECT_EQ(lit_fichier_entier(chemin, 99999).erreur, "larger than 99999 bytes");
    EXPECT_EQ(fs::status(chemin).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_EQ(remplace_fichier_atomique(chemin, ""), "");
    EXPECT_EQ(lit(chemin).texte, "");
    EXPECT_EQ(noms_dans(d.chemin), std::vector<std::string>{"horlivet.etat"});
    EXPECT_EQ(remplace_fichier_atomique((d.chemin / "absent" / "f").string(), "x"),
              "No such file or directory");
    EXPECT_EQ(lit(d.chemin.string()).erreur, "Is a directory");
    // Neither read for ever nor waited on.
    fs::create_symlink("/dev/zero", d.chemin / "zero");
    EXPECT_EQ(lit((d.chemin / "zero").string()).erreur, "not a regular file");
    ASSERT_EQ(::mkfifo((d.chemin / "fifo").c_str(), 0600), 0);
    EXPECT_EQ(lit((d.chemin / "fifo").string()).erreur, "not a regular file");
    fs::remove(d.chemin / "zero");
    fs::remove(d.chemin / "fifo");
    fs::create_directories(d.chemin / "dossier" / "plein");
    EXPECT_EQ(remplace_fichier_atomique((d.chemin / "dossier").string(), "x"), "Is a directory");
    fs::remove_all(d.chemin / "dossier");

    // A folder closed to new files keeps the old file.
    ASSERT_EQ(remplace_fichier_atomique(chemin, "ancien\n"), "");
    fs::permissions(d.chemin, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(remplace_fichier_atomique(chemin, "nouveau\n"), "Permission denied");
    fs::permissions(chemin, fs::perms::none);
    EXPECT_EQ(lit(chemin).erreur, "Permission denied");
    fs::permissions(d.chemin, fs::perms::owner_all);
    fs::permissions(chemin, fs::perms::owner_read);
    EXPECT_EQ(essai::lit_fichier(chemin), "ancien\n");
    EXPECT_EQ(noms_dans(d.chemin), std::vector<std::string>{"horlivet.etat"});
}

}  // namespace
}  // namespace horlivet
