#include "platform/lanceur.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "commun/sans_root.h"
#include "support/reel.h"

namespace horlivet {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using essai::dossier_temporaire;
using test::attend_fin_enfants;

constexpr fs::perms executable = fs::perms::owner_all | fs::perms::group_exec;
constexpr fs::perms lisible = fs::perms::owner_read | fs::perms::owner_write;

// Writes `contenu` to `chemin`, creating its folders, with the rights `mode`.
void ecrit(const fs::path& chemin, const std::string& contenu, fs::perms mode) {
    fs::create_directories(chemin.parent_path());
    essai::ecrit_fichier(chemin, contenu);
    fs::permissions(chemin, mode);
}

// Leaves "marque" in the working folder, with or without a #! line.
const std::string script_marque = "#!/bin/sh\necho ok > marque\n";
const std::string script_sans_diese = "echo ok > marque\n";

// A launch: the text handed over (under the folder unless `absolu`), the code, and the one
// file `contenu` makes (actions/<text> unless `fichier`) besides actions/lance.sh. A child
// runs, leaving "marque" in actions/, exactly on 33.
struct cas_lancement {
    const char* nom;
    std::string texte;
    int attendu = 2;
    std::string contenu = "";
    fs::perms mode = executable;
    std::string fichier = "";
    bool absolu = false;
    std::string dossier = "actions/";
    bool ouvert = false;  // lance.sh held open for writing during the launch
};

TEST(Lanceur, CodesAndEffectsOfEachKindOfFileAndNoTextIsEverACommandLine) {
    const char entete[] =
        "\x7f"
        "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0garbage";
    const std::vector<cas_lancement> cas = {
        {"script with #!", "lance.sh", 33},
        {"script without #!: /bin/sh", "nu", 33, script_sans_diese},
        {"plain .CMD in capitals", "A.CMD", 33, script_sans_diese, lisible},
        {"plain .bat with spaces", "mon script.bat", 33, script_sans_diese, lisible},
        {"plain .sh like an option", "-x.sh", 33, script_sans_diese, lisible},
        {"a shell line for a name", "a; touch pwned $(id)", 33, script_marque},
        {"not UTF-8", "\xff\xfe.sh", 33, script_marque},
        {"file in a subfolder", "sous/b.sh", 33, script_marque},
        {"absolute path, run in actions/", "ailleurs/abs.sh", 33, script_marque, executable,
         "ailleurs/abs.sh", true},
        {"unreadable plain .bat", "secret.bat", 5, script_sans_diese, fs::perms::owner_write},
        {"exec bit not ours", "autrui", 5, script_marque,
         fs::perms::owner_read | fs::perms::others_exec},
        {"missing file", "absent.sh"},
        {"empty name", ""},
        {"name cut by a NUL", std::string("lance.sh\0x", 10)},
        {"missing folder", "introuvable/x.sh", 3},
        {"file as a folder", "lance.sh/x.sh", 3},
        {.nom = "missing actions folder", .texte = "lance.sh", .attendu = 3, .dossier = "pas-la/"},
        {"a folder", "sous", 11, script_marque, executable, "actions/sous/b.sh"},
        {"refused binary", "binaire", 11, std::string(entete, sizeof entete - 1)},
        {"no #! interpreter", "orphelin", 32, "#!/introuvable/sh\necho ok > marque\n"},
        {"home folder", "~/pwned", 3},
        {"5000-character name", std::string(5000, 'a'), 3},
        {.nom = "program open for writing", .texte = "lance.sh", .attendu = 26, .ouvert = true},
    };
    for (const cas_lancement& c : cas) {
        SCOPED_TRACE(c.nom);
        // Root may read and run everything.
        if (c.attendu == 5 && geteuid() == 0) continue;
        const dossier_temporaire temp;
        const fs::path& racine = temp.chemin;
        ecrit(racine / "actions/lance.sh", script_marque, executable);
        if (!c.contenu.empty())
            ecrit(racine / (c.fichier.empty() ? "actions/" + c.texte : c.fichier), c.contenu,
                  c.mode);
        const std::string texte = c.absolu ? (racine / c.texte).string() : c.texte;
        const auto descripteurs = essai::noms_dans("/proc/self/fd");
        const int ecriture =
            c.ouvert ? open((racine / "actions/lance.sh").c_str(), O_WRONLY | O_CLOEXEC) : -1;
        EXPECT_EQ(lance_fichier(texte, (racine / c.dossier).string()), c.attendu);
        if (ecriture >= 0) close(ecriture);
        ASSERT_TRUE(attend_fin_enfants());
        EXPECT_EQ(fs::exists(racine / "actions/marque"), c.attendu == 33);
        EXPECT_EQ(essai::noms_dans("/proc/self/fd"), descripteurs);
        for (const auto& e : fs::recursive_directory_iterator(racine))
            EXPECT_NE(e.path().filename(), "pwned");
        EXPECT_FALSE(fs::exists("pwned"));
    }
    // The cases root cannot see, as an ordinary user.
    essai::relance_en_tant_que_personne();
}

TEST(Lanceur, OtherFilesOpenWithXdgOpenFromAnAbsolutePathFolderOrFail) {
    const dossier_temporaire temp;
    const fs::path& racine = temp.chemin;
    ecrit(racine / "actions/mes notes.txt", "notes\n", lisible);
    // Keeps the argument it was given, in its working folder.
    ecrit(racine / "bin/xdg-open", "#!/bin/sh\nprintf '%s' \"$1\" > ouvert\n", executable);
    const std::string path_avant = std::getenv("PATH") ? std::getenv("PATH") : "",
                      actions = (racine / "actions/").string();
    // No xdg-open in actions/; a relative folder is skipped.
    for (const auto& [dossier, code] : {std::pair{"actions", 31}, {"bin", 33}}) {
        setenv("PATH", ("relatif:" + (racine / dossier).string()).c_str(), 1);
        EXPECT_EQ(lance_fichier("mes notes.txt", actions), code);
    }
    setenv("PATH", path_avant.c_str(), 1);
    ASSERT_TRUE(attend_fin_enfants());
    EXPECT_EQ(essai::lit_fichier(racine / "actions/ouvert"), actions + "mes notes.txt");
}

TEST(Lanceur, ChildIsDetachedWithNullStdinAndNoDescriptorOfOurs) {
    const dossier_temporaire temp;
    const fs::path actions = temp.chemin / "actions";
    ecrit(actions / "attend.sh", "#!/bin/sh\nexec sleep 5\n", executable);
    ASSERT_TRUE(attend_fin_enfants());
    // Our stdin becomes a pipe whose ends are not close-on-exec: only the launcher keeps
    // them from the child.
    int tube[2];
    ASSERT_EQ(pipe(tube), 0);
    const int stdin_avant = fcntl(0, F_DUPFD_CLOEXEC, 3);
    ASSERT_EQ(dup2(tube[0], 0), 0);
    const int code = lance_fichier("attend.sh", actions.string() + "/");
    stdin_avant >= 0 ? dup2(stdin_avant, 0) : close(0);
    for (int fd : {stdin_avant, tube[0], tube[1]}) close(fd);
    ASSERT_EQ(code, 33);
    const auto enfants = essai::nos_enfants();
    ASSERT_EQ(enfants.size(), 1u);
    const pid_t pid = enfants[0].pid;
    const std::string proc = "/proc/" + std::to_string(pid);
    // The shell's script descriptor goes at exec, and sleep's own (locale files) soon
    // after; one of ours would stay.
    const std::vector<std::string> standards = {"0", "1", "2"};
    essai::attend(
        [&] {
            const auto p = essai::lit_processus(pid);
            return p && p->nom == "sleep" && essai::noms_dans(proc + "/fd") == standards;
        },
        2s);
    EXPECT_EQ(essai::noms_dans(proc + "/fd"), standards);
    EXPECT_EQ(fs::read_symlink(proc + "/fd/0").string(), "/dev/null");
    EXPECT_EQ(fs::read_symlink(proc + "/cwd"), fs::canonical(actions));
    EXPECT_EQ(essai::lit_processus(pid).value().session, pid);  // its own, not ours
    // Its watch ends once, when it is reaped, however often we reap after.
    int fins_de_veille = 0;
    installe_veille_enfants([&](int) { return [&] { ++fins_de_veille; }; });
    ASSERT_EQ(lance_fichier("attend.sh", actions.string() + "/"), 33);
    installe_veille_enfants({});
    for (const auto& e : essai::nos_enfants()) kill(e.pid, SIGKILL);
    EXPECT_TRUE(attend_fin_enfants());
    recolte_enfants();
    EXPECT_EQ(fins_de_veille, 1);
}

}  // namespace
}  // namespace horlivet
