#include "platform/verrou.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace horlivet {

namespace {

// The lock file's descriptor, or -1 with why in `raison`. O_NOFOLLOW: a link planted in
// its place is refused, never written through; O_NONBLOCK: a FIFO cannot hold the open.
int ouvre(const std::string& chemin, std::string& raison) {
    const int fd =
        ::open(chemin.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
    if (fd < 0) {
        raison = errno == ELOOP ? "it is a symbolic link" : std::strerror(errno);
        return -1;
    }
    struct stat etat;
    if (fstat(fd, &etat) != 0 || !S_ISREG(etat.st_mode)) {
        raison = "not a regular file";
        close(fd);
        return -1;
    }
    return fd;
}

// The process id the file holds; 0 when it holds none.
long lit_detenteur(int fd) {
    char texte[24] = {};
    if (pread(fd, texte, sizeof texte - 1, 0) <= 0) return 0;
    char* fin = nullptr;
    const long pid = std::strtol(texte, &fin, 10);
    return pid > 0 && *fin == '\n' ? pid : 0;
}

// Our process id over the old one, then the file cut to it: a reader sees one whole id,
// never an empty file. A failure costs only the id a second program would name.
void ecrit_pid(int fd, const std::string& chemin) {
    const std::string texte = std::to_string(getpid()) + "\n";
    if (pwrite(fd, texte.data(), texte.size(), 0) != ssize_t(texte.size()) ||
        ftruncate(fd, off_t(texte.size())) != 0)
        std::fprintf(stderr, "horlivet: %s: process id not written: %s\n", chemin.c_str(),
                     std::strerror(errno));
}

// `mode` is LOCK_EX, with LOCK_NB when it must not wait.
verrou prend(const std::string& dossier, int mode) {
    const std::string chemin = dossier + "/" + fichier_verrou;
    verrou v;
    std::string raison;
    const int fd = ouvre(chemin, raison);
    if (fd < 0) {
        std::fprintf(stderr,
                     "horlivet: %s: %s; the schedule runs without the lock, which would keep a "
                     "second program in this folder from launching everything again\n",
                     chemin.c_str(), raison.c_str());
        return v;
    }
    int resultat;
    while ((resultat = flock(fd, mode)) != 0 && errno == EINTR) {
    }
    if (resultat == 0) {
        ecrit_pid(fd, chemin);
        v.etat = verrou::issue::pris;
        return v;
    }
    if (errno == EWOULDBLOCK) {
        v.etat = verrou::issue::occupe;
        v.detenteur = lit_detenteur(fd);
    } else {
        std::fprintf(stderr, "horlivet: %s: cannot lock: %s; the schedule runs without the lock\n",
                     chemin.c_str(), std::strerror(errno));
    }
    close(fd);
    return v;
}

}  // namespace

verrou prend_verrou(const std::string& dossier) { return prend(dossier, LOCK_EX | LOCK_NB); }

bool verrouille_ou_attend(const std::string& dossier) {
    const verrou v = prend_verrou(dossier);
    if (v.etat != verrou::issue::occupe) return v.etat == verrou::issue::pris;
    const std::string qui =
        v.detenteur > 0 ? "process " + std::to_string(v.detenteur) : "its process";
    std::fprintf(stderr,
                 "horlivet: another horlivet runs in this folder; this one launches nothing and "
                 "waits for %s to end, then takes over\n",
                 qui.c_str());
    // The run catches these three; its wait ends on them as a run would.
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) std::signal(signal, SIG_DFL);
    if (prend(dossier, LOCK_EX).etat != verrou::issue::pris) return false;
    std::fprintf(stderr, "horlivet: %s ended, this one takes over\n", qui.c_str());
    return true;
}

}  // namespace horlivet
