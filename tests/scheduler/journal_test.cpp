#include "scheduler/journal.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "commun/fichiers.h"
#include "platform/formats.h"
#include "platform/journal_fichier.h"
#include "scheduler/commande.h"
#include "support/faux.h"

namespace horlivet {
namespace {

using namespace test;
namespace fs = std::filesystem;

TEST(Journal, LinesComeOutByteForByteInTheUsersLocaleFieldsRightAlignedAndLongOnesWhole) {
    const date_heure d = date_de(a(2026y / December / 5d, 20, 44, 16));
    struct cas {
        const char* nom;
        std::string date, heure, nom_voie, resultat, commande, attendue;
    };
    const cas table[] = {
        {"French", date_longue_pour("fr_FR", d), heure_longue_pour("fr_FR", d), "Pompe", "OK",
         "null.bat",
         "samedi 5 décembre 2026 * 20:44:16  :          Pompe  ***    ON        OK  "
         "commande : null.bat"},
        {"English", date_longue_pour("en_US", d), heure_longue_pour("en_US", d), "Pompe", "OK",
         "null.bat",
         "Saturday, December 5, 2026 * 8:44:16 PM  :          Pompe  ***    ON        OK  "
         "commande : null.bat"},
        {"empty name", "D", "H", "", "OK", "c",
         "D * H  :                 ***    ON        OK  commande : c"},
        {"20-character name", "D", "H", "Eclairage de la cour", "OK", "c",
         "D * H  : Eclairage de la cour  ***    ON        OK  commande : c"},
        {"accents count as one character", "D", "H", "entrée", "OK", "c",
         "D * H  :         entrée  ***    ON        OK  commande : c"},
        {"9-character result", "D", "H", "Pompe", "Erreur 11", "c",
         "D * H  :          Pompe  ***    ON  Erreur 11  commande : c"},
        {"line breaks stay on one line", "D", "H", "a\r\nb", "OK", "x\ny\rz",
         "D * H  :           a  b  ***    ON        OK  commande : x y z"},
    };
    for (const auto& c : table) {
        SCOPED_TRACE(c.nom);
        EXPECT_EQ(format_ligne_journal(c.date, c.heure, c.nom_voie, "ON", c.resultat, c.commande),
                  c.attendue);
    }
}

struct JournalFichier : testing::Test, banc_faux {
    essai::dossier_temporaire temp;
    const fs::path& dossier = temp.chemin;

    void SetUp() override {
        p.g.dossier_programme = dossier.string() + "/";
        p.s.ajoute_ligne = ajoute_au_fichier;
        ecrit_texte(p.fenetre, champ::nom, 0, "Pompe");
    }
    std::string contenu(const std::string& nom) { return essai::lit_fichier(dossier / nom); }
};

TEST_F(JournalFichier, EachMonthGetsItsOwnFileWithItsFirstLine) {
    m.maintenant = a(2026y / December / 31d, 23, 59, 50);
    verif_mois(p);
    EXPECT_FALSE(fs::exists(dossier / "journal_2026-12.txt"));  // a month without launches
    command_M(p, 0);
    // The shutdown after midnight but before the next tick still writes to December.
    m.maintenant = a(2027y / January / 1d, 0, 0, 5);
    command_A(p, 0);
    verif_mois(p);
    command_M(p, 0);

    const std::string fin = "  :          Pompe  ***    ON        OK  commande : null.bat\r\n";
    EXPECT_EQ(contenu("journal_2026-12.txt"),
              "31/12/2026 * 23:59:50" + fin + "1/1/2027 * 00:00:05" + fin);
    EXPECT_EQ(contenu("journal_2027-01.txt"), "1/1/2027 * 00:00:05" + fin);
    EXPECT_TRUE(m.signalements.empty());
}

TEST_F(JournalFichier, AnUnwritableJournalIsReportedAndEveryLaunchOfTheTickHappens) {
    for (int i : {1, 3, 6}) horaire{i, {5}, {{1, 8, 0, 9, 0, 1}}}(p);
    fs::create_symlink("/dev/full", dossier / "journal_2026-12.txt");
    m.maintenant = a(2026y / December / 5d, 8, 0, 10);
    Timer1_Timer(p);
    ASSERT_EQ(m.lancements.size(), 3u);
    EXPECT_EQ(m.signalements, std::vector<std::string>(3, "journal " + p.g.fichier_journal +
                                                              ": No space left on device"));
    for (int i : {1, 3, 6}) EXPECT_EQ(lit(p.fenetre, champ::Option1, i).fond, mauve_clair);
}

// What is launched from the command text, and what the journal says of its code: above 32
// is a success.
TEST(Commande, TheTrimmedTextIsLaunchedFromTheActionsFolderAndColoursTheChannel) {
    banc_faux b;
    const struct {
        const char* texte;
        const char* lance;
        int code;
        const char* resultat;
    } table[] = {{"", "null.bat", 33, "OK"},
                 {"   ", "null.bat", 2, "Erreur 2"},
                 {"  pompe.sh  ", "pompe.sh", 32, "Erreur 32"},
                 {"/opt/a b", "/opt/a b", 42, "OK"}};
    for (const auto& c : table) {
        SCOPED_TRACE(c.texte);
        b.m.lancements.clear();
        b.m.lignes.clear();
        b.m.code_lancement = c.code;
        ecrit_texte(b.p.fenetre, champ::Commande_marche, 2, c.texte);
        command_M(b.p, 2);
        ASSERT_EQ(b.m.lancements.size(), 1u);
        EXPECT_EQ(b.m.lancements[0].fichier, c.lance);
        EXPECT_EQ(b.m.lancements[0].dossier, "/horlivet/actions/");
        ASSERT_EQ(b.m.lignes.size(), 1u);
        EXPECT_TRUE(b.m.lignes[0].second.ends_with(std::string(c.resultat) +
                                                   "  commande : " + c.lance + "\r\n"))
            << b.m.lignes[0].second;
        EXPECT_EQ(lit(b.p.fenetre, champ::nom, 2).fond, mauve_clair);
        EXPECT_EQ(lit(b.p.fenetre, champ::Option1, 2).fond, mauve_clair);
    }
    b.m.code_lancement = 2;  // a failed stop recolours too
    command_A(b.p, 2);
    EXPECT_EQ(lit(b.p.fenetre, champ::nom, 2).fond, jaune_clair);
    EXPECT_EQ(lit(b.p.fenetre, champ::Option1, 2).fond, jaune_clair);
}

}  // namespace
}  // namespace horlivet
