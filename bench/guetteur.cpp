// Starts a program on the X server of DISPLAY and watches for its window to be shown.
//
//   guetteur PROGRAM             prints "<ns from start to shown window> <peak RSS in kB>"
//   guetteur --inactif S PROGRAM prints "<ns of CPU time used over S seconds once shown>"
//   guetteur --ligne TEXT PROGRAM prints "<ns from start to a line holding TEXT on its
//                                standard error> <peak RSS in kB>", with no X server
//
// A top-level window is shown when the server maps it. With no window manager, the root
// window reports that to any client that asked for its substructure events, so the
// watcher sees the moment from outside, without any option or hook in the program, and
// measures every program the same way. The program runs alone on its own server: the
// first window it maps that is not a pop-up (override-redirect) is its main window. The
// peak memory is the VmHWM of /proc at that moment; the program is then killed. A
// program without a window says when it is ready on its standard error instead.

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace {

using horloge = std::chrono::steady_clock;

[[noreturn]] void echoue(const std::string& raison) {
    std::fprintf(stderr, "guetteur: %s\n", raison.c_str());
    std::exit(1);
}

// A field of /proc/PID/status, such as "VmHWM:", in its own unit (kB).
long champ_status(pid_t pid, const std::string& nom) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string ligne;
    while (std::getline(status, ligne)) {
        if (ligne.rfind(nom, 0) == 0) return std::strtol(ligne.c_str() + nom.size(), nullptr, 10);
    }
    echoue("no " + nom + " in /proc/" + std::to_string(pid) + "/status");
}

// The CPU time of the whole process, every thread included, in nanoseconds. The
// process's CPU clock counts what the scheduler counts; /proc's utime and stime come in
// ticks of 10 ms, too coarse for an idle program.
long long temps_cpu_ns(pid_t pid) {
    clockid_t horloge_cpu;
    timespec t{};
    if (clock_getcpuclockid(pid, &horloge_cpu) != 0 || clock_gettime(horloge_cpu, &t) != 0)
        echoue("no CPU clock for process " + std::to_string(pid));
    return t.tv_sec * 1'000'000'000LL + t.tv_nsec;
}

// Waits for the first mapped window that is not a pop-up, for at most 30 s.
void attend_fenetre(xcb_connection_t* x, pid_t pid) {
    const auto limite = horloge::now() + std::chrono::seconds(30);
    pollfd attente{xcb_get_file_descriptor(x), POLLIN, 0};
    for (;;) {
        while (xcb_generic_event_t* evenement = xcb_poll_for_event(x)) {
            const bool montree =
                (evenement->response_type & 0x7f) == XCB_MAP_NOTIFY &&
                !reinterpret_cast<xcb_map_notify_event_t*>(evenement)->override_redirect;
            std::free(evenement);
            if (montree) return;
        }
        if (xcb_connection_has_error(x)) echoue("lost the X server");
        if (waitpid(pid, nullptr, WNOHANG) == pid) echoue("the program ended before its window");
        if (horloge::now() > limite) echoue("no window within 30 s");
        poll(&attente, 1, 100);
    }
}

// Starts the program with its standard error into a pipe and waits, for at most 30 s,
// for a line holding `texte`; prints the time to it and the peak memory then.
int guette_ligne(const std::string& texte, char** argv) {
    int tube[2];
    if (pipe2(tube, O_CLOEXEC) != 0) echoue(std::string("pipe: ") + std::strerror(errno));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, tube[1], 2);
    const auto debut = horloge::now();
    pid_t pid = 0;
    if (const int erreur = posix_spawn(&pid, argv[0], &actions, nullptr, argv, environ))
        echoue(std::string(argv[0]) + ": " + std::strerror(erreur));
    posix_spawn_file_actions_destroy(&actions);
    close(tube[1]);
    const auto limite = debut + std::chrono::seconds(30);
    std::string lu;
    for (;;) {
        const std::size_t fin_ligne = lu.find('\n');
        if (fin_ligne != std::string::npos) {
            if (lu.substr(0, fin_ligne).find(texte) != std::string::npos) break;
            lu.erase(0, fin_ligne + 1);
            continue;
        }
        pollfd attente{tube[0], POLLIN, 0};
        if (horloge::now() > limite) echoue("no line '" + texte + "' within 30 s");
        if (poll(&attente, 1, 100) <= 0) continue;
        char tampon[4096];
        const ssize_t n = read(tube[0], tampon, sizeof tampon);
        if (n <= 0) echoue("the program ended before its line '" + texte + "'");
        lu.append(tampon, static_cast<std::size_t>(n));
    }
    const auto pret = horloge::now();
    const long pic_ko = champ_status(pid, "VmHWM:");
    std::printf("%lld %ld\n",
                static_cast<long long>(
                    std::chrono::duration_cast<std::chrono::nanoseconds>(pret - debut).count()),
                pic_ko);
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 3 && std::string(argv[1]) == "--ligne") return guette_ligne(argv[2], argv + 3);
    int premier = 1;
    int inactif_s = 0;
    if (argc > 2 && std::string(argv[1]) == "--inactif") {
        inactif_s = std::atoi(argv[2]);
        premier = 3;
    }
    if (premier >= argc)
        echoue("usage: guetteur [--inactif SECONDS | --ligne TEXT] PROGRAM [ARGUMENTS]");

    xcb_connection_t* x = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(x)) echoue("cannot reach the X server of DISPLAY");
    xcb_screen_t* ecran = xcb_setup_roots_iterator(xcb_get_setup(x)).data;
    const uint32_t masque = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_void_cookie_t demande =
        xcb_change_window_attributes_checked(x, ecran->root, XCB_CW_EVENT_MASK, &masque);
    // Checked, so that the server listens before the program starts.
    if (xcb_generic_error_t* erreur = xcb_request_check(x, demande)) {
        std::free(erreur);
        echoue("cannot watch the root window");
    }

    const auto debut = horloge::now();
    pid_t pid = 0;
    if (const int erreur =
            posix_spawn(&pid, argv[premier], nullptr, nullptr, argv + premier, environ))
        echoue(std::string(argv[premier]) + ": " + std::strerror(erreur));
    attend_fenetre(x, pid);
    const auto montree = horloge::now();

    if (inactif_s > 0) {
        // A second for the first paint and whatever startup leaves queued; then idle.
        std::this_thread::sleep_for(std::chrono::seconds(1));
        const long long avant = temps_cpu_ns(pid);
        std::this_thread::sleep_for(std::chrono::seconds(inactif_s));
        if (waitpid(pid, nullptr, WNOHANG) == pid) echoue("the program ended while idle");
        std::printf("%lld\n", temps_cpu_ns(pid) - avant);
    } else {
        const long pic_ko = champ_status(pid, "VmHWM:");
        std::printf(
            "%lld %ld\n",
            static_cast<long long>(
                std::chrono::duration_cast<std::chrono::nanoseconds>(montree - debut).count()),
            pic_ko);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    xcb_disconnect(x);
    return 0;
}
