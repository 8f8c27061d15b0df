#include "platform/prise_qt.h"

#include <cerrno>
#include <cstring>
#include <list>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include "platform/prise.h"

namespace horlivet {

namespace {

// A client gets this long to send its line.
constexpr int delai_client_ms = 2000;
// Beyond this many clients at once, the oldest is dropped for the new one: descriptors
// stay for the journal and the launches, and a crowd of silent clients cannot keep a
// request out.
constexpr std::size_t clients_max = 64;

std::string chemin_prise;
std::function<std::string(std::string_view)> repondeur;
struct client;
std::list<client*> clients;  // oldest first

// One connection: its line so far, closed once answered, dropped or silent too long.
struct client {
    int fd = -1;
    bool etranger = false;  // a peer of another user: its line gets a refusal
    std::string ligne;
    QObject* porteur = nullptr;  // owns the notifier and the timer
    QSocketNotifier* veilleur = nullptr;

    void ferme() {
        if (fd < 0) return;
        close(fd);
        fd = -1;
        clients.remove(this);
        veilleur->setEnabled(false);
        porteur->deleteLater();
    }

    void lit() {
        char tampon[1024];
        for (;;) {
            const ssize_t n = recv(fd, tampon, sizeof tampon, MSG_DONTWAIT);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
            // The end before a whole line, or an error: dropped.
            if (n <= 0) return ferme();
            ligne.append(tampon, static_cast<std::size_t>(n));
            const std::size_t fin = ligne.find('\n');
            if (fin == std::string::npos) {
                if (ligne.size() > taille_max_requete) return ferme();
                continue;
            }
            if (fin > taille_max_requete) return ferme();
            ligne.resize(fin);
            if (!ligne.empty() && ligne.back() == '\r') ligne.pop_back();
            const std::string reponse = etranger    ? "refused: not the program's user\n"
                                        : repondeur ? repondeur(ligne)
                                                    : "refused: not ready\n";
            // One send that never waits; the answer is far below a socket's buffer.
            [[maybe_unused]] const ssize_t e =
                send(fd, reponse.data(), reponse.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
            return ferme();
        }
    }
};

void accepte(int ecoute) {
    for (;;) {
        const int fd = accept4(ecoute, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR) continue;
            return;  // EAGAIN, or out of descriptors: the rest wait in the backlog
        }
        if (clients.size() >= clients_max) clients.front()->ferme();
        // Read its line all the same, so that it gets the refusal rather than a reset.
        ucred qui{};
        socklen_t taille = sizeof qui;
        const bool etranger =
            getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &qui, &taille) != 0 || qui.uid != geteuid();
        auto* porteur = new QObject(QCoreApplication::instance());
        auto* veilleur = new QSocketNotifier(fd, QSocketNotifier::Read, porteur);
        auto* c = new client{fd, etranger, {}, porteur, veilleur};
        clients.push_back(c);
        QObject::connect(porteur, &QObject::destroyed, [c] { delete c; });
        QObject::connect(veilleur, &QSocketNotifier::activated, porteur, [c] { c->lit(); });
        auto* minuterie = new QTimer(porteur);
        minuterie->setSingleShot(true);
        QObject::connect(minuterie, &QTimer::timeout, porteur, [c] { c->ferme(); });
        minuterie->start(delai_client_ms);
    }
}

}  // namespace

std::string ecoute_commandes(const std::string& dossier,
                             std::function<std::string(std::string_view)> repond) {
    const std::string chemin = dossier + "/" + fichier_prise;
    sockaddr_un adresse{};
    adresse.sun_family = AF_UNIX;
    if (chemin.size() >= sizeof adresse.sun_path) return chemin + ": path too long for a socket";
    std::memcpy(adresse.sun_path, chemin.c_str(), chemin.size() + 1);
    // The lock is ours: a socket there is one a crash left.
    struct stat etat {};
    if (lstat(chemin.c_str(), &etat) == 0) {
        if (!S_ISSOCK(etat.st_mode)) return chemin + ": not a socket, left alone";
        if (unlink(chemin.c_str()) != 0) return chemin + ": " + std::strerror(errno);
    }
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return std::strerror(errno);
    // Mode 0600 from its creation: never a moment open to others.
    const mode_t masque = umask(0177);
    const int lie = bind(fd, reinterpret_cast<const sockaddr*>(&adresse), sizeof adresse);
    const int erreur_lien = errno;
    umask(masque);
    if (lie != 0 || listen(fd, 128) != 0) {
        const int e = lie != 0 ? erreur_lien : errno;
        close(fd);
        return chemin + ": " + std::strerror(e);
    }
    chemin_prise = chemin;
    repondeur = std::move(repond);
    auto* veilleur = new QSocketNotifier(fd, QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(veilleur, &QSocketNotifier::activated, veilleur, [fd] { accepte(fd); });
    return {};
}

void retire_prise() {
    if (chemin_prise.empty()) return;
    unlink(chemin_prise.c_str());
    chemin_prise.clear();
}

}  // namespace horlivet
