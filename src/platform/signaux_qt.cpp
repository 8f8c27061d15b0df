#include "platform/signaux_qt.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QPointer>
#include <QSocketNotifier>

namespace horlivet {

namespace {

constexpr int signaux_de_fin[] = {SIGTERM, SIGHUP, SIGINT};

// The self-pipe: the handler writes a byte to paire[0], the event loop reads paire[1].
int paire[2] = {-1, -1};
std::function<void()> action_de_fin;
QPointer<QSocketNotifier> veilleur;

// Only async-signal-safe calls: one non-blocking send, errno kept for the code the
// signal interrupted. A full socket already holds a wake-up, so a lost byte loses
// nothing.
void sur_signal(int) {
    const int errno_sauve = errno;
    const char octet = 1;
    [[maybe_unused]] const ssize_t envoye = send(paire[0], &octet, 1, MSG_DONTWAIT | MSG_NOSIGNAL);
    errno = errno_sauve;
}

void reveil() {
    char tampon[64];
    while (read(paire[1], tampon, sizeof tampon) > 0) {
    }
    // A copy: the action may replace itself.
    if (const auto action = action_de_fin) action();
}

// The socket pair once per process, the notifier once per application.
bool prepare_reveil() {
    if (paire[0] < 0 &&
        socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, paire) != 0) {
        std::fprintf(stderr, "horlivet: signaux de fin sans effet : %s\n", std::strerror(errno));
        paire[0] = paire[1] = -1;
        return false;
    }
    if (!veilleur) {
        veilleur =
            new QSocketNotifier(paire[1], QSocketNotifier::Read, QCoreApplication::instance());
        QObject::connect(veilleur, &QSocketNotifier::activated, veilleur, [] { reveil(); });
    }
    return true;
}

}  // namespace

void sur_signal_de_fin(std::function<void()> action) {
    const bool attrape = action && prepare_reveil();
    action_de_fin = attrape ? std::move(action) : nullptr;
    struct sigaction reaction {};
    reaction.sa_handler = attrape ? sur_signal : SIG_DFL;
    sigemptyset(&reaction.sa_mask);
    reaction.sa_flags = SA_RESTART;
    for (const int signal : signaux_de_fin) sigaction(signal, &reaction, nullptr);
}

}  // namespace horlivet
