#include "platform/prise.h"

#include <cerrno>
#include <cstring>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace horlivet {

namespace {

// Waits until `fd` is ready for `evenement`, at most `delai_ms`.
bool attend(int fd, short evenement, int delai_ms) {
    pollfd p{fd, evenement, 0};
    int n;
    do {
        n = poll(&p, 1, delai_ms);
    } while (n < 0 && errno == EINTR);
    return n > 0;
}

}  // namespace

echange demande_au_programme(const std::string& dossier, const std::string& ligne, int delai_ms) {
    const std::string chemin = dossier + "/" + fichier_prise;
    sockaddr_un adresse{};
    adresse.sun_family = AF_UNIX;
    if (chemin.size() >= sizeof adresse.sun_path)
        return {echange::issue::erreur, chemin + ": path too long for a socket"};
    std::memcpy(adresse.sun_path, chemin.c_str(), chemin.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return {echange::issue::erreur, std::strerror(errno)};
    echange r;
    if (connect(fd, reinterpret_cast<const sockaddr*>(&adresse), sizeof adresse) != 0) {
        const int e = errno;
        close(fd);
        if (e == ENOENT || e == ECONNREFUSED) return {echange::issue::personne, std::strerror(e)};
        return {echange::issue::erreur, chemin + ": " + std::strerror(e)};
    }
    const std::string requete = ligne + "\n";
    std::size_t envoye = 0;
    while (envoye < requete.size()) {
        if (!attend(fd, POLLOUT, delai_ms)) {
            close(fd);
            return {echange::issue::erreur, "the program does not take the request"};
        }
        const ssize_t n = send(fd, requete.data() + envoye, requete.size() - envoye, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int e = errno;
            close(fd);
            return {echange::issue::erreur, std::strerror(e)};
        }
        envoye += static_cast<std::size_t>(n);
    }
    char tampon[4096];
    for (;;) {
        if (!attend(fd, POLLIN, delai_ms)) {
            close(fd);
            return {echange::issue::erreur, "the program does not answer"};
        }
        const ssize_t n = read(fd, tampon, sizeof tampon);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int e = errno;
            close(fd);
            return {echange::issue::erreur, std::strerror(e)};
        }
        if (n == 0) break;
        r.texte.append(tampon, static_cast<std::size_t>(n));
    }
    close(fd);
    if (r.texte.empty()) return {echange::issue::erreur, "the program closed without an answer"};
    r.etat = echange::issue::repondu;
    return r;
}

}  // namespace horlivet
