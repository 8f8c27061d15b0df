// Runs the built horlivet-plan on files in a temporary folder and checks what it says
// and how it exits.

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace horlivet {
namespace {

namespace fs = std::filesystem;

const std::string bon_fichier =
    "[ervaline]\r\nnom_0=Pompe\r\nlundi_0=on\r\nheure_deb_1_0=8\r\nminute_deb_1_0=30\r\n"
    "heure_fin_1_0=9\r\nminute_fin_1_0=0\r\nvalid_0=on\r\n";
const std::string fichier_averti =
    "[ervaline]\r\nnom_2=Four\r\nmardi_2=on\r\nheure_deb_1_2=22\r\nheure_fin_1_2=6\r\n"
    "valid_2=on\r\nheure_deb_2_2=5\r\nheure_fin_2_2=7\r\nvalid_2_2=on\r\n";

std::string lit(const fs::path& chemin) {
    std::ifstream f(chemin, std::ios::binary);
    std::ostringstream t;
    t << f.rdbuf();
    return t.str();
}

void ecrit(const fs::path& chemin, const std::string& texte) {
    std::ofstream(chemin, std::ios::binary) << texte;
}

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
    fs::path dossier;

    void SetUp() override {
        std::string modele = (fs::temp_directory_path() / "plan cli XXXXXX").string();
        ASSERT_NE(mkdtemp(modele.data()), nullptr);
        dossier = modele;
    }
    void TearDown() override {
        std::error_code e;
        fs::permissions(dossier / "illisible.ini", fs::perms::owner_all, e);
        fs::remove_all(dossier, e);
    }

    resultat lance(const fs::path& programme, const std::vector<std::string>& arguments) {
        std::string commande = entre_apostrophes(programme.string());
        for (const auto& a : arguments) commande += " " + entre_apostrophes(a);
        commande += " >" + entre_apostrophes((dossier / "sortie").string()) + " 2>" +
                    entre_apostrophes((dossier / "erreurs").string());
        const int etat = std::system(commande.c_str());
        resultat r;
        r.code = WIFEXITED(etat) ? WEXITSTATUS(etat) : 128 + WTERMSIG(etat);
        r.sortie = lit(dossier / "sortie");
        r.erreurs = lit(dossier / "erreurs");
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

TEST_F(PlanCli, ErrorsAndFilesThatNeedNoReading) {
    const std::string d = dossier.string();
    ecrit(dossier / "vide.ini", "");
    ecrit(dossier / "bon.ini", bon_fichier);
    const std::vector<cas_cli> table = {
        {"an empty file gives the defaults", {d + "/vide.ini"}, 0, "1  ??0\n", ""},
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
}

TEST_F(PlanCli, AFileThatCannotBeOpenedIsAnError) {
    ecrit(dossier / "illisible.ini", bon_fichier);
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
    ecrit(dossier / "ervaline.ini", "[ervaline]\r\n");
    verifie(lance(copie, {}),
            {"present", {}, 0, "Schedule " + (dossier / "ervaline.ini").string() + "\n", ""});
}

TEST_F(PlanCli, ExitCodeTellsWhetherThereAreWarnings) {
    const std::string d = dossier.string();
    ecrit(dossier / "bon.ini", bon_fichier);
    ecrit(dossier / "averti.ini", fichier_averti);
    const std::vector<cas_cli> table = {
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
    };
    for (const auto& c : table) {
        SCOPED_TRACE(c.nom);
        verifie(lance(HORLIVET_PLAN, c.arguments), c);
    }
    const std::string svg = lit(dossier / "plan.svg");
    EXPECT_NE(svg.find("Horlivet week plan: bon.ini"), std::string::npos);
    std::size_t barres = 0;
    for (auto o = svg.find("class=\"occurrence\""); o != std::string::npos;
         o = svg.find("class=\"occurrence\"", o + 1)) {
        ++barres;
    }
    EXPECT_EQ(barres, 1u);
}

}  // namespace
}  // namespace horlivet
