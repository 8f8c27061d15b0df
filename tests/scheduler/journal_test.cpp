#include "scheduler/journal.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "commun/fichiers.h"
#include "platform/formats.h"
#include "platform/journal_fichier.h"
#include "scheduler/commande.h"
#include "scheduler/tick.h"
#include "support/faux.h"

namespace horlivet {
namespace {

using namespace test;
namespace fs = std::filesystem;

constexpr year_month_day samedi_5{2026y, December, 5d};

TEST(Journal, LinesComeOutByteForByteInTheUsersLocale) {
    const date_heure d = date_de(a(samedi_5, 20, 44, 16));
    const auto ligne = [&](const char* locale) {
        return format_ligne_journal(date_longue_pour(locale, d), heure_longue_pour(locale, d),
                                    "Pompe", "ON", "OK", "null.bat");
    };
    EXPECT_EQ(ligne("fr_FR"),
              "samedi 5 décembre 2026 * 20:44:16  :          Pompe  ***    ON        OK  "
              "commande : null.bat");
    EXPECT_EQ(ligne("en_US"),
              "Saturday, December 5, 2026 * 8:44:16 PM  :          Pompe  ***    ON        OK  "
              "commande : null.bat");
}

TEST(Journal, FieldsAreRightAlignedAndLongOnesWrittenWhole) {
    struct cas {
        const char* nom;
        std::string nom_voie;
        std::string resultat;
        std::string attendue;
    };
    const cas table[] = {
        {"empty name", "", "OK", "D * H  :                 ***    ON        OK  commande : c"},
        {"20-character name", "Eclairage de la cour", "OK",
         "D * H  : Eclairage de la cour  ***    ON        OK  commande : c"},
        {"accents count as one character", "entrée", "OK",
         "D * H  :         entrée  ***    ON        OK  commande : c"},
        {"9-character result", "Pompe", "Erreur 11",
         "D * H  :          Pompe  ***    ON  Erreur 11  commande : c"},
        {"line breaks stay on one line", "a\r\nb", "OK",
         "D * H  :           a  b  ***    ON        OK  commande : c"},
    };
    for (const auto& c : table) {
        SCOPED_TRACE(c.nom);
        EXPECT_EQ(format_ligne_journal("D", "H", c.nom_voie, "ON", c.resultat, "c"), c.attendue);
    }
}

struct JournalFichier : testing::Test {
    programme p;
    faux_monde m;
    essai::dossier_temporaire temp;
    const fs::path& dossier = temp.chemin;

    void SetUp() override {
        prepare(p, m);
        p.g.dossier_programme = dossier.string() + "/";
        p.s.ajoute_ligne = ajoute_au_fichier;
    }
    std::string contenu(const std::string& nom) { return essai::lit_fichier(dossier / nom); }
};

TEST_F(JournalFichier, EachMonthGetsItsOwnFileWithItsFirstLine) {
    ecrit_texte(p.fenetre, champ::nom, 0, "Pompe");
    m.maintenant = a(2026y / December / 31d, 23, 59, 50);
    verif_mois(p);
    EXPECT_FALSE(fs::exists(dossier / "journal_2026-12.txt"));  // a month without launches
    command_M(p, 0);
    // The shutdown after midnight but before the next tick still writes to December.
    m.maintenant = a(2027y / January / 1d, 0, 0, 5);
    command_A(p, 0);
    verif_mois(p);
    command_M(p, 0);

    EXPECT_EQ(
        contenu("journal_2026-12.txt"),
        "31/12/2026 * 23:59:50  :          Pompe  ***    ON        OK  commande : null.bat\r\n"
        "1/1/2027 * 00:00:05  :          Pompe  ***    ON        OK  commande : null.bat\r\n");
    EXPECT_EQ(
        contenu("journal_2027-01.txt"),
        "1/1/2027 * 00:00:05  :          Pompe  ***    ON        OK  commande : null.bat\r\n");
    EXPECT_EQ(p.g.mois_precedent, "2027-01");
}

TEST_F(JournalFichier, AnUnwritableJournalIsReportedAndEveryLaunchOfTheTickHappens) {
    const std::vector<int> voies = {1, 3, 6};
    for (int i : voies) {
        jours(p, i, {5});
        plage(p, i, 1, 8, 0, 9, 0);
    }
    fs::create_symlink("/dev/full", dossier / "journal_2026-12.txt");
    m.maintenant = a(samedi_5, 8, 0, 10);
    Timer1_Timer(p);
    ASSERT_EQ(m.lancements.size(), voies.size());
    EXPECT_EQ(m.signalements,
              std::vector<std::string>(
                  voies.size(), "journal " + p.g.fichier_journal + ": No space left on device"));
    for (int i : voies) EXPECT_EQ(lit(p.fenetre, champ::Option1, i).fond, mauve_clair);
}

TEST(Commande, TheTrimmedTextIsLaunchedFromTheActionsFolderAndColoursTheChannel) {
    programme p;
    faux_monde m;
    prepare(p, m);
    struct cas {
        const char* texte;
        const char* lance;
    };
    const cas table[] = {
        {"", "null.bat"}, {"   ", "null.bat"}, {"  pompe.sh  ", "pompe.sh"}, {"/opt/a", "/opt/a"}};
    for (const auto& c : table) {
        SCOPED_TRACE(c.texte);
        m.lancements.clear();
        m.lignes.clear();
        ecrit_texte(p.fenetre, champ::Commande_marche, 2, c.texte);
        command_M(p, 2);
        ASSERT_EQ(m.lancements.size(), 1u);
        EXPECT_EQ(m.lancements[0].fichier, c.lance);
        EXPECT_EQ(m.lancements[0].dossier, "/horlivet/actions/");
        ASSERT_EQ(m.lignes.size(), 1u);
        EXPECT_TRUE(m.lignes[0].second.ends_with(std::string(" commande : ") + c.lance + "\r\n"));
    }
    EXPECT_EQ(lit(p.fenetre, champ::nom, 2).fond, mauve_clair);
    EXPECT_EQ(lit(p.fenetre, champ::Option1, 2).fond, mauve_clair);
    m.code_lancement = 2;  // a missing file still recolours
    command_A(p, 2);
    EXPECT_EQ(lit(p.fenetre, champ::nom, 2).fond, jaune_clair);
    EXPECT_EQ(lit(p.fenetre, champ::Option1, 2).fond, jaune_clair);
}

}  // namespace
}  // namespace horlivet
