#include "platform/fichier_entier.h"

#include <array>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace horlivet {

namespace {

std::string raison(int erreur) { return std::strerror(erreur); }

}  // namespace

contenu_fichier lit_fichier_entier(const std::string& chemin) {
    contenu_fichier c;
    const int fd = ::open(chemin.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        c.erreur = raison(errno);
        return c;
    }
    std::array<char, 4096> tampon;
    for (;;) {
        const ssize_t n = ::read(fd, tampon.data(), tampon.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) c.erreur = raison(errno);
        if (n <= 0) break;
        c.texte.append(tampon.data(), static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (!c.erreur.empty()) c.texte.clear();
    return c;
}

std::string remplace_fichier_atomique(const std::string& chemin, std::string_view texte) {
    const std::size_t barre = chemin.rfind('/');
    const std::string dossier = barre == std::string::npos ? "." : chemin.substr(0, barre + 1);
    const std::string nom = barre == std::string::npos ? chemin : chemin.substr(barre + 1);
    const std::string temporaire = (barre == std::string::npos ? "" : dossier) + "." + nom + ".tmp";

    struct stat etat {};
    const bool existait = ::stat(chemin.c_str(), &etat) == 0;
    int fd = ::open(temporaire.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return raison(errno);
    const auto echec = [&](int erreur) {
        if (fd >= 0) ::close(fd);
        ::unlink(temporaire.c_str());
        return raison(erreur);
    };
    while (!texte.empty()) {
        const ssize_t n = ::write(fd, texte.data(), texte.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return echec(errno);
        texte.remove_prefix(static_cast<std::size_t>(n));
    }
    if (existait && ::fchmod(fd, etat.st_mode & 07777) != 0) return echec(errno);
    if (::fsync(fd) != 0) return echec(errno);
    const int fermeture = ::close(fd);
    fd = -1;
    if (fermeture != 0) return echec(errno);
    if (::rename(temporaire.c_str(), chemin.c_str()) != 0) return echec(errno);

    // The rename reaches the disk only with the folder; EINVAL: a file system that cannot
    // flush a folder has nothing more to wait for.
    const int dossier_fd = ::open(dossier.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dossier_fd < 0) return raison(errno);
    const bool flushe = ::fsync(dossier_fd) == 0 || errno == EINVAL;
    const int erreur = errno;
    ::close(dossier_fd);
    return flushe ? std::string() : raison(erreur);
}

}  // namespace horlivet
