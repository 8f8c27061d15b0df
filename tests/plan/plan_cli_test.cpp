// Runs the built horlivet-plan on files in a temporary folder and checks what it says
// and how it exits.

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "commun/fichiers.h"
#include "commun/sans_root.h"

namespace horlivet {
namespace {

namespace fs = std::filesystem;

const std::string bon_fichier =
    "[ervaline]\r\nnom_0=Pompe\r\nlundi_0=on\r\nheure_deb_1_0=8\r\nminute_deb_1_0=30\r\n"
    "heure_fin_1_0=9\r\nminute_fin_1_0=0\r\nvalid_0=on\r\n";
const std::string fichier_averti =
    "[ervaline]\r\nnom_2=Four\r\nmardi_2=on\r\nheure_deb_1_2=22\r\nheure_fin_1_2=6\r\n"
    "valid_2=on\r\nheure_deb_2_2=5\r\nheure_fin_2_2=7\r\nvalid_2_2=on\r\n";

std::string entre_apostrophes(const std::string& s) {
    std::string r = "'";
    for (char c : s) r += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return r + "'";
}

struct resultat {
    int code = -1;
    std::string sortie;
    std::string erreurs;
};

struct PlanCli : testing::Test {
    essai::dossier_temporaire temporaire;
    const fs::path dossier = temporaire.chemin / "plan cli";  // a space for the quoting

    void SetUp() override { fs::create_directory(dossier); }

    resultat lance(const fs::path& programme, const std::vector<std::string>& arguments) {
        std::string commande = entre_apostrophes(programme.string());
        for (const auto& a : arguments) commande += " " + entre_apostrophes(a);
        commande += " >" + entre_apostrophes((dossier / "sortie").string()) + " 2>" +
                    entre_apostrophes((dossier / "erreurs").string());
        const int etat = std::system(commande.c_str());
        resultat r;
        r.code = WIFEXITED(etat) ? WEXITSTATUS(etat) : 128 + WTERMSIG(etat);
        r.sortie = essai::lit_fichier(dossier / "sortie");
        r.erreurs = essai::lit_fichier(dossier / "erreurs");
        return r;
    }
};

struct cas_cli {
    const char* nom;
    std::vector<std::string> arguments;
    int code;
    std::string dans_sortie;
    std::string dans_erreurs;
};

void verifie(const resultat& r, const cas_cli& c) {
    EXPECT_EQ(r.code, c.code) << r.erreurs;
    EXPECT_NE(r.sortie.find(c.dans_sortie), std::string::npos) << r.sortie;
    EXPECT_NE(r.erreurs.find(c.dans_erreurs), std::string::npos) << r.erreurs;
    // Errors, and only errors, speak on standard error.
    EXPECT_EQ(r.erreurs.empty(), c.code != 2) << r.erreurs;
}

TEST_F(PlanCli, ExitCodeTellsErrorsAndWarnings) {
    const std::string d = dossier.string();
    essai::ecrit_fichier(dossier / "vide.ini", "");
    essai::ecrit_fichier(dossier / "bon.ini", bon_fichier);
    essai::ecrit_fichier(dossier / "averti.ini", fichier_averti);
    const std::vector<cas_cli> table = {
        {"an empty file gives the defaults", {d + "/vide.ini"}, 0, "1  ??0\n", ""},
        {"a good file",
         {d + "/bon.ini"},
         0,
         "1  Pompe\n  days   Mon\n  slots  1: 08:30–09:00\n",
         ""},
        {"a file with warnings",
         {d + "/averti.ini"},
         1,
         "  channel 3 (Four) slot 1 22:00–06:00: does not stop after it starts\n"
         "  channel 3 (Four) slot 2 05:00–07:00: does not start after slot 1 stops at 06:00\n",
         ""},
        {"a chart beside a good file", {d + "/bon.ini", "--svg=" + d + "/plan.svg"}, 0, "", ""},
        {"a missing file", {d + "/absent.ini"}, 2, "", d + "/absent.ini: no such file\n"},
        {"a folder", {d}, 2, "", d + ": is a folder, not a file\n"},
        {"help", {"--help"}, 0, "Usage: horlivet-plan [--svg FILE] [SETTINGS]\n", ""},
        {"an unknown option", {"--semaine"}, 2, "", "unknown option --semaine\n"},
        {"two files", {d + "/bon.ini", d + "/vide.ini"}, 2, "", "one settings file at most"},
        {"--svg without its file", {d + "/bon.ini", "--svg"}, 2, "", "--svg needs a file name"},
        {"a chart into a missing folder",
         {"--svg", d + "/non/plan.svg", d + "/bon.ini"},
         2,
         "",
         d + "/non/plan.svg: No such file or directory\n"},
    };
    for (const auto& c : table) {
        SCOPED_TRACE(c.nom);
        verifie(lance(HORLIVET_PLAN, c.arguments), c);
    }
    const std::string svg = essai::lit_fichier(dossier / "plan.svg");
    EXPECT_NE(svg.find("Horlivet week plan: bon.ini"), std::string::npos);
    EXPECT_NE(svg.find("class=\"occurrence\""), std::string::npos);
}

TEST_F(PlanCli, AFileThatCannotBeOpenedIsAnError) {
    if (essai::relance_en_tant_que_personne()) return;
    essai::ecrit_fichier(dossier / "illisible.ini", bon_fichier);
    fs::permissions(dossier / "illisible.ini", fs::perms::none);
    if (access((dossier / "illisible.ini").c_str(), R_OK) == 0) {
        GTEST_SKIP() << "this user reads files without read permission (root)";
    }
    verifie(lance(HORLIVET_PLAN, {(dossier / "illisible.ini").string()}),
            {"unreadable", {}, 2, "", "illisible.ini: Permission denied\n"});
}

TEST_F(PlanCli, TheDefaultFileIsTheOneBesideTheProgram) {
    const fs::path copie = dossier / "horlivet-plan";
    fs::copy_file(HORLIVET_PLAN, copie);
    verifie(lance(copie, {}),
            {"missing", {}, 2, "", (dossier / "ervaline.ini").string() + ": no such file\n"});
    essai::ecrit_fichier(dossier / "ervaline.ini", "[ervaline]\r\n");
    verifie(lance(copie, {}),
            {"present", {}, 0, "Schedule " + (dossier / "ervaline.ini").string() + "\n", ""});
}

}  // namespace
}  // namespace horlivet
