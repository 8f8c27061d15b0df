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
using namespace std::string_literals;
namespace fs = std::filesystem;

TEST(Journal, LinesComeOutByteForByteInTheUsersLocaleFieldsRightAlignedAndLongOnesWhole) {
    const date_heure d = date_de(a(2026y / December / 5d, 20, 44, 16));
    const std::string fin = "  :          Pompe  ***    ON        OK  commande : null.bat";
    EXPECT_EQ(format_ligne_journal(date_longue_pour("fr_FR", d), heure_longue_pour("fr_FR", d),
                                   "Pompe", "ON", "OK", "null.bat"),
              "samedi 5 décembre 2026 * 20:44:16" + fin);
    EXPECT_EQ(format_ligne_journal(date_longue_pour("en_US", d), heure_longue_pour("en_US", d),
                                   "Pompe", "ON", "OK", "null.bat"),
              "Saturday, December 5, 2026 * 8:44:16 PM" + fin);
    // Name, result, command, and the line after its date and time: an empty name, one of
    // 20 characters, accents counted as one, a long result, line breaks.
    const std::array<std::string, 4> table[] = {
        {"", "OK", "c", "                ***    ON        OK  commande : c"},
        {"Eclairage de la cour", "OK", "c",
         "Eclairage de la cour  ***    ON        OK  commande : c"},
        {"entrée", "OK", "c", "        entrée  ***    ON        OK  commande : c"},
        {"Pompe", "Erreur 11", "c", "         Pompe  ***    ON  Erreur 11  commande : c"},
        {"a\r\nb", "OK", "x\ny\rz", "          a  b  ***    ON        OK  commande : x y z"},
    };
    for (const auto& [nom, resultat, commande, attendue] : table) {
        EXPECT_EQ(format_ligne_journal("D", "H", nom, "ON", resultat, commande),
                  "D * H  : " + attendue);
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
    EXPECT_EQ(essai::lit_fichier(dossier / "journal_2026-12.txt"),
              "31/12/2026 * 23:59:50" + fin + "1/1/2027 * 00:00:05" + fin);
    EXPECT_EQ(essai::lit_fichier(dossier / "journal_2027-01.txt"), "1/1/2027 * 00:00:05" + fin);
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

TEST(Commande, TheTrimmedTextIsLaunchedFromTheActionsFolderAndColoursTheChannel) {
    banc_faux b;
    const auto fonds = [&b] {
        return std::pair(lit(b.p.fenetre, champ::nom, 2).fond,
                         lit(b.p.fenetre, champ::Option1, 2).fond);
    };
    // The command's text, its launch's code, what is launched and the journal line's end:
    // a code above 32 is a success.
    const struct {
        const char* texte;
        int code;
        const char *lance, *fin_ligne;
    } table[] = {{"", 33, "null.bat", "      OK  commande : null.bat\r\n"},
                 {"   ", 2, "null.bat", "Erreur 2  commande : null.bat\r\n"},
                 {"  pompe.sh  ", 32, "pompe.sh", "Erreur 32  commande : pompe.sh\r\n"},
                 {"/opt/a b", 42, "/opt/a b", "      OK  commande : /opt/a b\r\n"}};
    for (const auto& c : table) {
        b.m.code_lancement = c.code;
        ecrit_texte(b.p.fenetre, champ::Commande_marche, 2, c.texte);
        command_M(b.p, 2);
        EXPECT_EQ(b.m.lancements.back().dossier + b.m.lancements.back().fichier,
                  "/horlivet/actions/"s + c.lance);
        EXPECT_TRUE(b.m.lignes.back().second.ends_with(c.fin_ligne)) << b.m.lignes.back().second;
        EXPECT_EQ(fonds(), std::pair(mauve_clair, mauve_clair));
    }
    b.m.code_lancement = 2;  // a failed stop recolours too
    command_A(b.p, 2);
    EXPECT_EQ(fonds(), std::pair(jaune_clair, jaune_clair));
    EXPECT_EQ(std::pair(b.m.lancements.size(), b.m.lignes.size()), std::pair(5ul, 5ul));
}

}  // namespace
}  // namespace horlivet
