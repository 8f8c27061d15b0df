// Runs the built horlivet-plan on files in a temporary folder and checks what it says
// and how it exits.

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/wait.h>

#include <gtest/gtest.h>

#include "commun/fichiers.h"
#include "commun/sans_root.h"

namespace horlivet {
namespace {

namespace fs = std::filesystem;

struct cas_cli {
    const char* nom;
    std::vector<std::string> arguments;
    int code;
    std::string dans_sortie{}, dans_erreurs{};
};

struct PlanCli : testing::Test {
    essai::dossier_temporaire temporaire;
    const fs::path dossier = temporaire.chemin / "plan";
    const std::string d = dossier.string();

    void SetUp() override { fs::create_directory(dossier); }

    // Runs `programme` and checks its exit code, that it says what it should, and that
    // errors, and only errors, speak on standard error.
    void verifie(const cas_cli& c, const fs::path& programme = HORLIVET_PLAN) {
        SCOPED_TRACE(c.nom);
        std::string commande = programme.string();
        for (const auto& a : c.arguments) commande += " " + a;
        const int etat = std::system((commande + " >" + d + "/sortie 2>" + d + "/erreurs").c_str());
        const std::string sortie = essai::lit_fichier(d + "/sortie");
        const std::string erreurs = essai::lit_fichier(d + "/erreurs");
        EXPECT_EQ(WIFEXITED(etat) ? WEXITSTATUS(etat) : 128 + WTERMSIG(etat), c.code) << erreurs;
        EXPECT_NE(sortie.find(c.dans_sortie), std::string::npos) << sortie;
        EXPECT_NE(erreurs.find(c.dans_erreurs), std::string::npos) << erreurs;
        EXPECT_EQ(erreurs.empty(), c.code != 2) << erreurs;
    }
};

TEST_F(PlanCli, ExitCodeTellsErrorsAndWarningsAndTheDefaultFileIsBesideTheProgram) {
    if (essai::relance_en_tant_que_personne()) return;
    essai::ecrit_fichier(d + "/illisible.ini", "[ervaline]\r\n");
    fs::permissions(d + "/illisible.ini", fs::perms::none);
    essai::ecrit_fichier(d + "/vide.ini", "");
    essai::ecrit_fichier(d + "/bon.ini",
                         "[ervaline]\r\nnom_0=Pompe\r\nlundi_0=on\r\nheure_deb_1_0=8\r\n"
                         "minute_deb_1_0=30\r\nheure_fin_1_0=9\r\nvalid_0=on\r\n");
    // Each kind of warning alone.
    const std::string four = "[ervaline]\r\nnom_2=Four\r\nvalid_2=on\r\n";
    essai::ecrit_fichier(d + "/incoherent.ini", four + "heure_deb_1_2=22\r\nheure_fin_1_2=6\r\n");
    essai::ecrit_fichier(d + "/recouvrant.ini", four +
                                                    "valid_2_2=on\r\nheure_deb_2_2=5\r\n"
                                                    "heure_fin_2_2=7\r\nheure_fin_1_2=6\r\n");
    // The warnings' texts are the printed plan's (plan_test).
    const std::vector<cas_cli> table = {
        {"an empty file gives the defaults", {d + "/vide.ini"}, 0, "1  ??0\n"},
        {"a good file", {d + "/bon.ini"}, 0, "1  Pompe\n  days   Mon\n  slots  1: 08:30–09:00\n"},
        {"a slot that stops before it starts", {d + "/incoherent.ini"}, 1, "does not stop after"},
        {"slots out of order", {d + "/recouvrant.ini"}, 1, "does not start after slot 1"},
        {"a chart beside a good file", {d + "/bon.ini", "--svg=" + d + "/plan.svg"}, 0},
        {"a missing file", {d + "/absent.ini"}, 2, "", d + "/absent.ini: no such file\n"},
        {"a folder", {d}, 2, "", d + ": is a folder, not a file\n"},
        {"unreadable", {d + "/illisible.ini"}, 2, "", "illisible.ini: Permission denied\n"},
        {"help", {"--help"}, 0, "Usage: horlivet-plan [--svg FILE] [SETTINGS]\n"},
        {"an unknown option", {"--semaine"}, 2, "", "unknown option --semaine\n"},
        {"two files", {d + "/bon.ini", d + "/vide.ini"}, 2, "", "one settings file at most"},
        {"--svg without its file", {d + "/bon.ini", "--svg"}, 2, "", "--svg needs a file name"},
        {"no folder", {"--svg", d + "/non/a.svg", d + "/bon.ini"}, 2, "", "a.svg: No such file"},
        {"full disk", {"--svg", "/dev/full", d + "/bon.ini"}, 2, "", "/dev/full: No space left"},
    };
    for (const auto& c : table) verifie(c);
    const std::string svg = essai::lit_fichier(d + "/plan.svg");
    EXPECT_NE(svg.find("Horlivet week plan: bon.ini"), std::string::npos);
    EXPECT_NE(svg.find("class=\"occurrence\""), std::string::npos);

    // With no file named, the one beside the program.
    fs::copy_file(HORLIVET_PLAN, dossier / "horlivet-plan");
    verifie({"missing", {}, 2, "", d + "/ervaline.ini: no such file\n"}, dossier / "horlivet-plan");
    essai::ecrit_fichier(d + "/ervaline.ini", "[ervaline]\r\n");
    verifie({"present", {}, 0, "Schedule " + d + "/ervaline.ini\n"}, dossier / "horlivet-plan");
}

// The running program's draw of today, from the state file beside the settings, which
// the viewer only reads; another day's draw is not today's.
TEST_F(PlanCli, TodaysTimesComeFromTheDrawTheStateFileKeeps) {
    const std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    char aujourdhui[16];
    std::strftime(aujourdhui, sizeof aujourdhui, "%Y-%m-%d", &local);
    essai::ecrit_fichier(d + "/ervaline.ini",
                         "[ervaline]\r\nheure_deb_1_0=8\r\nheure_fin_1_0=9\r\nvalid_0=on\r\n"
                         "[horlivet]\r\naleatoire_deb_1_0=15\r\n");
    for (const auto& [date, attendu] :
         {std::pair<std::string, std::string>{aujourdhui, "1: 07:53–09:00"},
          {"2001-01-01", "1: 08:00–09:00"}}) {
        const std::string etat = "draw " + date + " channel 1 slot 1 start -7 stop +0\n";
        essai::ecrit_fichier(d + "/horlivet.etat", etat);
        verifie({date.c_str(), {d + "/ervaline.ini"}, 0, attendu});
        EXPECT_EQ(essai::lit_fichier(d + "/horlivet.etat"), etat);
    }
}

}  // namespace
}  // namespace horlivet
