#include "platform/lanceur.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// glibc 2.36 leaves this header's declarations without C linkage in C++.
extern "C" {
#include <sys/pidfd.h>
}

namespace horlivet {

namespace {

// The shell's error codes, by cause:
//    2  the file does not exist (ENOENT)
//    3  a folder of its path does not exist, or the path cannot be resolved (ENOENT on a
//       folder, ENOTDIR, ELOOP, ENAMETOOLONG), or the actions folder is missing
//    5  no permission (EACCES, EPERM)
//    8  out of memory (ENOMEM, E2BIG)
//   11  not a program (ENOEXEC where no shell applies, EISDIR, ELIBBAD), any other error
//   26  file busy (ETXTBSY)
//   31  no program to open the file with
//   32  the #! interpreter is missing (ENOENT while the file exists)
//    0  out of processes or descriptors (EAGAIN, EMFILE, ENFILE)
constexpr int fichier_absent = 2;
constexpr int dossier_absent = 3;
constexpr int acces_refuse = 5;
constexpr int memoire_epuisee = 8;
constexpr int pas_un_programme = 11;
constexpr int fichier_occupe = 26;
constexpr int aucun_ouvreur = 31;
constexpr int interpreteur_absent = 32;
constexpr int ressources_epuisees = 0;

// The shell's code for a system error; ENOENT counts as the file missing.
int code_erreur(int erreur) {
    switch (erreur) {
        case ENOENT:
            return fichier_absent;
        case ENOTDIR:
        case ELOOP:
        case ENAMETOOLONG:
            return dossier_absent;
        case EACCES:
        case EPERM:
            return acces_refuse;
        case ENOMEM:
        case E2BIG:
            return memoire_epuisee;
        case ETXTBSY:
            return fichier_occupe;
        case EAGAIN:
        case EMFILE:
        case ENFILE:
            return ressources_epuisees;
        default:
            return pas_un_programme;
    }
}

// True when `chemin` names an existing folder.
bool est_dossier(const std::string& chemin) {
    struct stat etat;
    return stat(chemin.c_str(), &etat) == 0 && S_ISDIR(etat.st_mode);
}

// The code for a `chemin` stat found missing: 2 when its folder exists, else 3.
int code_absent(const std::string& chemin) {
    const std::string dossier = std::filesystem::path(chemin).parent_path().string();
    return est_dossier(dossier) ? fichier_absent : dossier_absent;
}

// True when the name ends in .sh, .bat or .cmd, in any case: what Windows ran as a batch.
bool extension_de_script(std::string_view chemin) {
    std::string fin(chemin.substr(chemin.size() - std::min<std::size_t>(chemin.size(), 4)));
    std::transform(fin.begin(), fin.end(), fin.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
    return fin.ends_with(".sh") || fin == ".bat" || fin == ".cmd";
}

// 0 when the start of the file reads as text the shell can run, else the code to give:
// a NUL byte means a binary the kernel did not want, not a script without #!.
int code_script_sans_diese(const std::string& chemin) {
    const int fd = open(chemin.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return code_erreur(errno);
    char debut[512];
    const ssize_t lu = read(fd, debut, sizeof debut);
    const int erreur = errno;
    close(fd);
    if (lu < 0) return code_erreur(erreur);
    return std::string_view(debut, std::size_t(lu)).find('\0') == std::string_view::npos
               ? 0
               : pas_un_programme;
}

// The full path of `programme` in an absolute folder of PATH, or "" when none has it.
// Relative folders are skipped: the child starts in another working folder.
std::string cherche_dans_path(const std::string& programme) {
    const char* path = std::getenv("PATH");
    std::string_view reste = path ? path : "/usr/local/bin:/usr/bin:/bin";
    while (!reste.empty()) {
        const auto deux_points = reste.find(':');
        const std::string_view dossier = reste.substr(0, deux_points);
        reste = deux_points == std::string_view::npos ? "" : reste.substr(deux_points + 1);
        if (!dossier.starts_with('/')) continue;
        const std::string candidat = std::string(dossier) + "/" + programme;
        struct stat etat;
        if (stat(candidat.c_str(), &etat) == 0 && S_ISREG(etat.st_mode) &&
            access(candidat.c_str(), X_OK) == 0)
            return candidat;
    }
    return "";
}

// Starts arguments[0] with those arguments in `dossier`, detached: its own session,
// stdin from /dev/null, default signals, no descriptor of ours beyond 0, 1 and 2.
// Returns 0 and sets `pid`, or the errno posix_spawn reports (exec errors included).
int demarre(const std::vector<std::string>& arguments, const std::string& dossier, pid_t& pid) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    if (const int erreur = posix_spawn_file_actions_init(&actions)) return erreur;
    posix_spawnattr_t attributs;
    if (const int erreur = posix_spawnattr_init(&attributs)) {
        posix_spawn_file_actions_destroy(&actions);
        return erreur;
    }
    sigset_t aucun, tous;
    sigemptyset(&aucun);
    sigfillset(&tous);
    int erreur = posix_spawn_file_actions_addchdir_np(&actions, dossier.c_str());
    if (!erreur) erreur = posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (!erreur) erreur = posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    if (!erreur)
        erreur = posix_spawnattr_setflags(
            &attributs, short(POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF));
    if (!erreur) erreur = posix_spawnattr_setsigmask(&attributs, &aucun);
    if (!erreur) erreur = posix_spawnattr_setsigdefault(&attributs, &tous);
    if (!erreur) erreur = posix_spawn(&pid, argv[0], &actions, &attributs, argv.data(), environ);
    posix_spawnattr_destroy(&attributs);
    posix_spawn_file_actions_destroy(&actions);
    return erreur;
}

// A child we started and have not reaped yet.
struct enfant {
    pid_t pid;
    // -1 when pidfd_open failed: the child is then reaped by recolte_enfants only.
    int pidfd;
    // Stops the event loop's watch on pidfd; empty when nothing watches it.
    std::function<void()> fin_veille;
};

// Our children not yet reaped.
std::vector<enfant>& enfants() {
    static std::vector<enfant> liste;
    return liste;
}

// How new children are watched, if at all.
veille_enfant& veille() {
    static veille_enfant v;
    return v;
}

// Records a new child so it gets reaped, watched by the event loop when one is set.
void suit_enfant(pid_t pid) {
    enfant e{pid, pidfd_open(pid, 0), {}};
    if (e.pidfd >= 0 && veille()) e.fin_veille = veille()(e.pidfd);
    enfants().push_back(std::move(e));
}

}  // namespace

int lance_fichier(const std::string& fichier, const std::string& dossier) {
    recolte_enfants();

    // The working folder must exist; made absolute because a relative name is opened
    // by the child after it has moved there.
    if (dossier.empty() || dossier.find('\0') != std::string::npos) return dossier_absent;
    std::error_code ec;
    std::string travail = std::filesystem::absolute(dossier, ec).string();
    if (ec) return dossier_absent;
    struct stat etat;
    if (stat(travail.c_str(), &etat) != 0)
        return errno == ENOENT ? dossier_absent : code_erreur(errno);
    if (!S_ISDIR(etat.st_mode)) return dossier_absent;
    if (!travail.ends_with('/')) travail += '/';

    // No file can have an empty name or a NUL in it.
    if (fichier.empty() || fichier.find('\0') != std::string::npos) return fichier_absent;
    // Always absolute, so the child finds it and no name reads as an option ("-x.sh").
    const std::string chemin = fichier.starts_with('/') ? fichier : travail + fichier;
    if (stat(chemin.c_str(), &etat) != 0)
        return errno == ENOENT ? code_absent(chemin) : code_erreur(errno);
    if (S_ISDIR(etat.st_mode)) return pas_un_programme;

    pid_t pid = 0;
    int erreur = 0;
    if (access(chemin.c_str(), X_OK) == 0) {
        erreur = demarre({chemin}, travail, pid);
        // A script without #!: the shell runs it, as the Windows shell ran a batch.
        if (erreur == ENOEXEC) {
            if (const int code = code_script_sans_diese(chemin)) return code;
            erreur = demarre({"/bin/sh", chemin}, travail, pid);
        }
    } else if (extension_de_script(chemin)) {
        if (access(chemin.c_str(), R_OK) != 0) return acces_refuse;
        erreur = demarre({"/bin/sh", chemin}, travail, pid);
    } else if (etat.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) {
        // Marked as a program, but not one we may run.
        return acces_refuse;
    } else {
        const std::string ouvreur = cherche_dans_path("xdg-open");
        if (ouvreur.empty()) return aucun_ouvreur;
        erreur = demarre({ouvreur, chemin}, travail, pid);
    }
    if (erreur == ENOENT) {
        // The file was there: what is missing is the program it names after #!.
        if (access(chemin.c_str(), F_OK) == 0) return interpreteur_absent;
        return est_dossier(travail) ? code_absent(chemin) : dossier_absent;
    }
    if (erreur) return code_erreur(erreur);
    suit_enfant(pid);
    return lancement_reussi;
}

void recolte_enfants() {
    std::erase_if(enfants(), [](enfant& e) {
        const pid_t fini = waitpid(e.pid, nullptr, WNOHANG);
        // ECHILD: no longer ours to wait for; forget it all the same.
        if (fini == 0 || (fini < 0 && errno != ECHILD)) return false;
        if (e.fin_veille) e.fin_veille();
        if (e.pidfd >= 0) close(e.pidfd);
        return true;
    });
}

void installe_veille_enfants(veille_enfant v) { veille() = std::move(v); }

}  // namespace horlivet
