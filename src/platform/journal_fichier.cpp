#include "platform/journal_fichier.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace horlivet {

std::string ajoute_au_fichier(const std::string& chemin, std::string_view ligne) {
    const int fd = open(chemin.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return std::strerror(errno);
    std::string erreur;
    while (!ligne.empty()) {
        const ssize_t n = write(fd, ligne.data(), ligne.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            erreur = std::strerror(errno);
            break;
        }
        ligne.remove_prefix(static_cast<std::size_t>(n));
    }
    if (close(fd) != 0 && erreur.empty()) erreur = std::strerror(errno);
    return erreur;
}

}  // namespace horlivet
