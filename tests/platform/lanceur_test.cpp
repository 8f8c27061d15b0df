#include "platform/lanceur.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEvent>
#include <QSocketNotifier>

#include <gtest/gtest.h>

namespace horlivet {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr fs::perms executable = fs::perms::owner_all | fs::perms::group_read |
                                 fs::perms::group_exec | fs::perms::others_read |
                                 fs::perms::others_exec;
constexpr fs::perms lisible =
    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read;

// A fresh folder under the system's temporary folder, removed with all it holds.
class dossier_temporaire {
public:
    dossier_temporaire() {
        std::string modele = (fs::temp_directory_path() / "lanceur-XXXXXX").string();
        if (!mkdtemp(modele.data())) throw std::runtime_error("mkdtemp");
        chemin_ = modele;
    }
    ~dossier_temporaire() {
        rend_accessible(chemin_);
        std::error_code ec;
        fs::remove_all(chemin_, ec);
    }
    const fs::path& chemin() const { return chemin_; }

private:
    // Gives back the rights a test took away, so everything can be removed.
    static void rend_accessible(const fs::path& dossier) {
        chmod(dossier.c_str(), 0700);
        std::error_code ec;
        for (const auto& entree : fs::directory_iterator(dossier, ec))
            if (entree.is_directory(ec) && !entree.is_symlink(ec)) rend_accessible(entree.path());
    }
    fs::path chemin_;
};

// Writes `contenu` to `chemin`, creating its folders, with the rights `mode`.
void ecrit(const fs::path& chemin, const std::string& contenu, fs::perms mode) {
    fs::create_directories(chemin.parent_path());
    std::ofstream(chemin, std::ios::binary) << contenu;
    fs::permissions(chemin, mode);
}

// The whole content of a file, or nothing when it cannot be read: a process's /proc
// files fail with ESRCH once it is reaped, even while open.
std::optional<std::string> lit(const fs::path& chemin) {
    const int fd = open(chemin.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::string contenu;
    char bloc[4096];
    ssize_t lu;
    while ((lu = read(fd, bloc, sizeof bloc)) > 0) contenu.append(bloc, std::size_t(lu));
    close(fd);
    if (lu < 0) return std::nullopt;
    return contenu;
}

// A process as /proc shows it.
struct processus {
    pid_t pid;
    char etat;
    pid_t parent;
    pid_t session;
    std::string nom;
};

// Reads /proc/<pid>/stat; the name in brackets may hold spaces or brackets itself.
std::optional<processus> lit_processus(pid_t pid) {
    const auto stat = lit("/proc/" + std::to_string(pid) + "/stat");
    if (!stat) return std::nullopt;
    const auto ouvre = stat->find('('), ferme = stat->rfind(')');
    if (ouvre == std::string::npos || ferme == std::string::npos) return std::nullopt;
    processus p{pid, 0, 0, 0, stat->substr(ouvre + 1, ferme - ouvre - 1)};
    std::istringstream reste(stat->substr(ferme + 1));
    pid_t groupe = 0;
    reste >> p.etat >> p.parent >> groupe >> p.session;
    return p;
}

// Our child processes, running or zombie.
std::vector<processus> nos_enfants() {
    std::vector<processus> enfants;
    std::error_code ec;
    for (const auto& entree : fs::directory_iterator("/proc", ec)) {
        const std::string nom = entree.path().filename().string();
        if (nom.find_first_not_of("0123456789") != std::string::npos) continue;
        const auto p = lit_processus(std::stoi(nom));
        if (p && p->parent == getpid()) enfants.push_back(*p);
    }
    return enfants;
}

// Polls `condition` until it holds or `delai` has passed; true when it held.
bool attend(const std::function<bool()>& condition, std::chrono::milliseconds delai = 5s) {
    const auto limite = std::chrono::steady_clock::now() + delai;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > limite) return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

// Reaps until no child of ours is left; true when that happened in time.
bool attend_fin_enfants() {
    return attend([] {
        recolte_enfants();
        return nos_enfants().empty();
    });
}

// How many descriptors this process has open.
int nombre_descripteurs() {
    return int(std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()));
}

// True when a file named "pwned" exists anywhere under `racine`.
bool trouve_pwned(const fs::path& racine) {
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(
             racine, fs::directory_options::skip_permission_denied, ec);
         it != fs::recursive_directory_iterator(); it.increment(ec))
        if (it->path().filename() == "pwned") return true;
    return false;
}

// Scripts that leave "marque" in their working folder.
const std::string script_marque = "#!/bin/sh\necho ok > marque\n";
const std::string script_marque_sans_diese = "echo ok > marque\n";

// How a case sets up its temporary folder.
using preparation = std::function<void(const fs::path& racine)>;

// Writes a file under the temporary folder.
preparation fichier(const std::string& nom, const std::string& contenu, fs::perms mode) {
    return [=](const fs::path& racine) { ecrit(racine / nom, contenu, mode); };
}

// One launch: the text handed over, the setting, and the code it must give. A child runs
// (and leaves "marque" in the actions folder) exactly when the code is 33.
struct cas_lancement {
    const char* nom;
    std::string fichier;
    preparation prepare;
    int attendu;
    // Appends `fichier` to the temporary folder: an absolute path.
    bool absolu = false;
    std::string dossier = "actions/";
    // Root may read and traverse everything.
    bool sauf_root = false;
};

TEST(Lanceur, CodesAndEffectsOfEachKindOfFile) {
    const char entete[] =
        "\x7f"
        "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0garbage";
    const std::string binaire(entete, sizeof entete - 1);
    const std::vector<cas_lancement> cas = {
        {.nom = "executable script with #!",
         .fichier = "lance.sh",
         .prepare = fichier("actions/lance.sh", script_marque, executable),
         .attendu = 33},
        {.nom = "executable script without #! runs with /bin/sh",
         .fichier = "nu",
         .prepare = fichier("actions/nu", script_marque_sans_diese, executable),
         .attendu = 33},
        {.nom = "plain .sh",
         .fichier = "a.sh",
         .prepare = fichier("actions/a.sh", script_marque_sans_diese, lisible),
         .attendu = 33},
        {.nom = "plain .bat",
         .fichier = "a.bat",
         .prepare = fichier("actions/a.bat", script_marque_sans_diese, lisible),
         .attendu = 33},
        {.nom = "plain .CMD in capitals",
         .fichier = "A.CMD",
         .prepare = fichier("actions/A.CMD", script_marque_sans_diese, lisible),
         .attendu = 33},
        {.nom = "name with spaces",
         .fichier = "mon script.bat",
         .prepare = fichier("actions/mon script.bat", script_marque_sans_diese, lisible),
         .attendu = 33},
        {.nom = "name that looks like an option",
         .fichier = "-x.sh",
         .prepare = fichier("actions/-x.sh", script_marque_sans_diese, lisible),
         .attendu = 33},
        {.nom = "name that is not UTF-8",
         .fichier = "\xff\xfe.sh",
         .prepare = fichier("actions/\xff\xfe.sh", script_marque, executable),
         .attendu = 33},
        {.nom = "file in a subfolder",
         .fichier = "sous/b.sh",
         .prepare = fichier("actions/sous/b.sh", script_marque, executable),
         .attendu = 33},
        {.nom = "absolute path still runs in the actions folder",
         .fichier = "ailleurs/abs.sh",
         .prepare =
             [](const fs::path& racine) {
                 fs::create_directories(racine / "actions");
                 ecrit(racine / "ailleurs/abs.sh", script_marque, executable);
             },
         .attendu = 33,
         .absolu = true},
        {.nom = "unreadable plain .bat",
         .fichier = "secret.bat",
         .prepare = fichier("actions/secret.bat", script_marque_sans_diese, fs::perms::owner_write),
         .attendu = 5,
         .sauf_root = true},
        {.nom = "folder we may not traverse",
         .fichier = "ferme/x.sh",
         .prepare =
             [](const fs::path& racine) {
                 ecrit(racine / "actions/ferme/x.sh", script_marque, executable);
                 fs::permissions(racine / "actions/ferme", fs::perms::none);
             },
         .attendu = 5,
         .sauf_root = true},
        {.nom = "executable bit we do not have",
         .fichier = "autrui",
         .prepare = fichier("actions/autrui", script_marque,
                            fs::perms::owner_read | fs::perms::others_exec),
         .attendu = 5,
         .sauf_root = true},
        {.nom = "missing file",
         .fichier = "absent.sh",
         .prepare = fichier("actions/present.sh", script_marque, executable),
         .attendu = 2},
        {.nom = "missing folder in the path",
         .fichier = "introuvable/x.sh",
         .prepare = fichier("actions/present.sh", script_marque, executable),
         .attendu = 3},
        {.nom = "file used as a folder",
         .fichier = "lance.sh/x.sh",
         .prepare = fichier("actions/lance.sh", script_marque, executable),
         .attendu = 3},
        {.nom = "missing actions folder",
         .fichier = "lance.sh",
         .prepare = fichier("actions/lance.sh", script_marque, executable),
         .attendu = 3,
         .dossier = "pas-la/"},
        {.nom = "a folder",
         .fichier = "sous",
         .prepare = fichier("actions/sous/b.sh", script_marque, executable),
         .attendu = 11},
        {.nom = "binary the kernel refuses",
         .fichier = "binaire",
         .prepare = fichier("actions/binaire", binaire, executable),
         .attendu = 11},
        {.nom = "missing #! interpreter",
         .fichier = "orphelin",
         .prepare =
             fichier("actions/orphelin", "#!/introuvable/sh\necho ok > marque\n", executable),
         .attendu = 32},
        {.nom = "empty name",
         .fichier = "",
         .prepare = fichier("actions/lance.sh", script_marque, executable),
         .attendu = 2},
        {.nom = "name cut by a NUL",
         .fichier = std::string("lance.sh\0; touch pwned", 22),
         .prepare = fichier("actions/lance.sh", script_marque, executable),
         .attendu = 2},
        {.nom = "very long name",
         .fichier = std::string(5000, 'a'),
         .prepare = fichier("actions/lance.sh", script_marque, executable),
         .attendu = 3},
        {.nom = "command separator",
         .fichier = "x; touch pwned",
         .prepare = fichier("actions/x", script_marque, executable),
         .attendu = 2},
        {.nom = "command substitution",
         .fichier = "$(touch pwned)",
         .prepare = fichier("actions/lance.sh", script_marque, executable),
         .attendu = 2},
        {.nom = "backquotes and a pipe",
         .fichier = "`touch pwned`|touch pwned",
         .prepare = fichier("actions/lance.sh", script_marque, executable),
         .attendu = 2},
        {.nom = "line break",
         .fichier = "lance.sh\ntouch pwned",
         .prepare = fichier("actions/lance.sh", script_marque, executable),
         .attendu = 2},
        {.nom = "wildcard",
         .fichier = "*.sh",
         .prepare = fichier("actions/lance.sh", script_marque, executable),
         .attendu = 2},
    };

    for (const cas_lancement& c : cas) {
        SCOPED_TRACE(c.nom);
        if (c.sauf_root && geteuid() == 0) continue;
        const dossier_temporaire temp;
        const fs::path& racine = temp.chemin();
        c.prepare(racine);
        const std::string texte = c.absolu ? (racine / c.fichier).string() : c.fichier;

        EXPECT_EQ(lance_fichier(texte, (racine / c.dossier).string()), c.attendu);

        ASSERT_TRUE(attend_fin_enfants());
        EXPECT_EQ(fs::exists(racine / "actions/marque"), c.attendu == 33);
        EXPECT_FALSE(trouve_pwned(racine));
    }
}

TEST(Lanceur, OtherFilesOpenWithXdgOpenFromPathOrFail) {
    const dossier_temporaire temp;
    const fs::path& racine = temp.chemin();
    ecrit(racine / "actions/mes notes.txt", "notes\n", lisible);
    // Keeps the argument it was given, in its working folder.
    ecrit(racine / "bin/xdg-open", "#!/bin/sh\nprintf '%s' \"$1\" > ouvert\n", executable);
    fs::create_directories(racine / "vide");
    const std::string path_avant = std::getenv("PATH") ? std::getenv("PATH") : "";
    const std::string actions = (racine / "actions/").string();

    setenv("PATH", ("relatif:" + (racine / "vide").string()).c_str(), 1);
    EXPECT_EQ(lance_fichier("mes notes.txt", actions), 31);
    setenv("PATH", ("relatif::" + (racine / "bin").string()).c_str(), 1);
    EXPECT_EQ(lance_fichier("mes notes.txt", actions), 33);
    setenv("PATH", path_avant.c_str(), 1);

    ASSERT_TRUE(attend_fin_enfants());
    EXPECT_EQ(lit(racine / "actions/ouvert"), actions + "mes notes.txt");
}

TEST(Lanceur, ProgramOpenForWritingIsBusy) {
    const dossier_temporaire temp;
    const fs::path script = temp.chemin() / "actions/lance.sh";
    ecrit(script, script_marque, executable);
    const int ecriture = open(script.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(ecriture, 0);
    EXPECT_EQ(lance_fichier("lance.sh", (temp.chemin() / "actions/").string()), 26);
    close(ecriture);
    EXPECT_TRUE(nos_enfants().empty());
}

TEST(Lanceur, ChildIsDetachedWithNullStdinAndNoDescriptorOfOurs) {
    const dossier_temporaire temp;
    const fs::path actions = temp.chemin() / "actions";
    ecrit(actions / "attend.sh", "#!/bin/sh\nexec sleep 5\n", executable);
    ASSERT_TRUE(attend_fin_enfants());
    // Our stdin becomes a pipe whose ends are not close-on-exec: only the launcher keeps
    // them from the child.
    int tube[2];
    ASSERT_EQ(pipe(tube), 0);
    const int stdin_avant = fcntl(0, F_DUPFD_CLOEXEC, 3);
    ASSERT_EQ(dup2(tube[0], 0), 0);

    const int code = lance_fichier("attend.sh", actions.string() + "/");
    if (stdin_avant >= 0) {
        dup2(stdin_avant, 0);
        close(stdin_avant);
    } else {
        close(0);
    }
    close(tube[0]);
    close(tube[1]);
    ASSERT_EQ(code, 33);
    const auto enfants = nos_enfants();
    ASSERT_EQ(enfants.size(), 1u);
    const pid_t pid = enfants[0].pid;
    const std::string proc = "/proc/" + std::to_string(pid);
    // The shell's script descriptor goes at exec, and sleep's own (locale files) soon
    // after; one of ours would stay.
    const std::set<std::string> standards = {"0", "1", "2"};
    std::set<std::string> descripteurs;
    attend(
        [&] {
            const auto p = lit_processus(pid);
            if (!p || p->nom != "sleep") return false;
            descripteurs.clear();
            std::error_code ec;
            for (const auto& entree : fs::directory_iterator(proc + "/fd", ec))
                descripteurs.insert(entree.path().filename().string());
            return descripteurs == standards;
        },
        2s);

    EXPECT_EQ(descripteurs, standards);
    EXPECT_EQ(fs::read_symlink(proc + "/fd/0").string(), "/dev/null");
    EXPECT_EQ(fs::read_symlink(proc + "/cwd"), fs::canonical(actions));
    const auto p = lit_processus(pid);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->session, pid);
    EXPECT_NE(p->session, getsid(0));

    kill(pid, SIGKILL);
    EXPECT_TRUE(attend_fin_enfants());
}

TEST(Lanceur, ThousandLaunchesLeaveNoZombieNorDescriptor) {
    const dossier_temporaire temp;
    const std::string actions = (temp.chemin() / "actions/").string();
    ecrit(temp.chemin() / "actions/vite.sh", "#!/bin/sh\n:\n", executable);
    ASSERT_TRUE(attend_fin_enfants());
    const int avant = nombre_descripteurs();

    for (int i = 0; i < 1000; ++i) ASSERT_EQ(lance_fichier("vite.sh", actions), 33);
    // Left alone they stay zombies; the next launch reaps them, even one that fails.
    ASSERT_TRUE(attend([] {
        for (const processus& p : nos_enfants())
            if (p.etat != 'Z') return false;
        return true;
    }));
    EXPECT_EQ(lance_fichier("absent.sh", actions), 2);
    EXPECT_TRUE(nos_enfants().empty());
    EXPECT_EQ(nombre_descripteurs(), avant);
}

TEST(Lanceur, EventLoopReapsEndedChildrenByItself) {
    const dossier_temporaire temp;
    const std::string actions = (temp.chemin() / "actions/").string();
    ecrit(temp.chemin() / "actions/vite.sh", "#!/bin/sh\n:\n", executable);
    ASSERT_TRUE(attend_fin_enfants());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const int avant = nombre_descripteurs();
    const auto veilleurs_avant = qApp->findChildren<QSocketNotifier*>().size();

    surveille_enfants_qt();
    for (int i = 0; i < 20; ++i) ASSERT_EQ(lance_fichier("vite.sh", actions), 33);
    EXPECT_EQ(qApp->findChildren<QSocketNotifier*>().size(), veilleurs_avant + 20);
    const bool tous_recoltes = attend(
        [] {
            QCoreApplication::processEvents();
            return nos_enfants().empty();
        },
        2s);
    installe_veille_enfants({});

    EXPECT_TRUE(tous_recoltes);
    EXPECT_EQ(nombre_descripteurs(), avant);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(qApp->findChildren<QSocketNotifier*>().size(), veilleurs_avant);
}

}  // namespace
}  // namespace horlivet
