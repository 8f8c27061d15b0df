// The status request through the program's socket (the real server in a Qt core event
// loop, the real answer over a full schedule) against a bare Unix-socket server that
// answers the same number of bytes; and horlivet-ctl status as a whole process against
// the least C++ program that connects and reads (lecteur_minimal), both against the real
// server.

#include <chrono>
#include <csignal>
#include <string>
#include <vector>

#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include "commun.h"
#include "plan/statut.h"
#include "platform/horloge.h"
#include "platform/prise.h"
#include "platform/prise_qt.h"

extern char** environ;

namespace {

using namespace horlivet;
using namespace horlivet::banc;

// A server in a child process, killed at the end.
struct serveur {
    pid_t pid = -1;
    ~serveur() {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
};

// The program's own server over a full schedule, in `dossier`.
void lance_programme(serveur& s, const std::string& dossier) {
    s.pid = fork();
    if (s.pid != 0) {
        while (demande_au_programme(dossier, "status").etat != echange::issue::repondu)
            usleep(1000);
        return;
    }
    int argc = 1;
    char nom[] = "prise_bench";
    char* argv[] = {nom, nullptr};
    QCoreApplication application(argc, argv);
    programme_banc banc(dossier);
    remplit_horaire(banc.p);
    banc.p.g.ticks_actifs = true;
    prochains_en_cache cache;
    ecoute_commandes(dossier, [&](std::string_view l) {
        return repond_avec_prochains(
            banc.p, l, "bench", cache,
            std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now()),
            date_locale);
    });
    application.exec();
    _exit(0);
}

// A bare server: accept, read to the end of the line, write `reponse`, close.
void lance_echo(serveur& s, const std::string& dossier, const std::string& reponse) {
    const std::string chemin = dossier + "/" + fichier_prise;
    sockaddr_un adresse{};
    adresse.sun_family = AF_UNIX;
    std::memcpy(adresse.sun_path, chemin.c_str(), chemin.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    if (bind(fd, reinterpret_cast<sockaddr*>(&adresse), sizeof adresse) != 0 || listen(fd, 16))
        throw std::runtime_error("echo");
    s.pid = fork();
    if (s.pid != 0) {
        close(fd);
        return;
    }
    for (;;) {
        const int c = accept(fd, nullptr, nullptr);
        char tampon[4096];
        std::string ligne;
        for (ssize_t n;
             ligne.find('\n') == std::string::npos && (n = read(c, tampon, sizeof tampon)) > 0;)
            ligne.append(tampon, static_cast<std::size_t>(n));
        [[maybe_unused]] const ssize_t e = write(c, reponse.data(), reponse.size());
        close(c);
    }
}

void statut_prise(benchmark::State& etat) {
    dossier_temporaire d;
    serveur s;
    lance_programme(s, d.chemin.string());
    for (auto _ : etat) {
        const echange e = demande_au_programme(d.chemin.string(), "status");
        if (e.etat != echange::issue::repondu) etat.SkipWithError(e.texte.c_str());
    }
}
BENCHMARK(statut_prise)->Unit(benchmark::kMicrosecond)->UseRealTime();

void echo_prise(benchmark::State& etat) {
    // The real answer's size, from the real server.
    std::size_t taille = 0;
    {
        dossier_temporaire d;
        serveur s;
        lance_programme(s, d.chemin.string());
        taille = demande_au_programme(d.chemin.string(), "status").texte.size();
    }
    dossier_temporaire d;
    serveur s;
    lance_echo(s, d.chemin.string(), std::string(taille - 1, 'x') + "\n");
    for (auto _ : etat) {
        const echange e = demande_au_programme(d.chemin.string(), "status");
        if (e.etat != echange::issue::repondu) etat.SkipWithError(e.texte.c_str());
    }
}
BENCHMARK(echo_prise)->Unit(benchmark::kMicrosecond)->UseRealTime();

// Runs `arguments` to its end, its output to /dev/null.
void execute(benchmark::State& etat, std::vector<std::string> arguments) {
    std::vector<char*> argv;
    for (std::string& a : arguments) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    int statut = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0 ||
        waitpid(pid, &statut, 0) != pid || !WIFEXITED(statut) || WEXITSTATUS(statut) != 0)
        etat.SkipWithError(("failed: " + arguments[0]).c_str());
    posix_spawn_file_actions_destroy(&actions);
}

void ctl_statut(benchmark::State& etat) {
    dossier_temporaire d;
    ecrit_reglages((d.chemin / "ervaline.ini").string(), 0);
    serveur s;
    lance_programme(s, d.chemin.string());
    for (auto _ : etat) execute(etat, {HORLIVET_CTL, "--folder", d.chemin.string(), "status"});
}
BENCHMARK(ctl_statut)->Unit(benchmark::kMicrosecond)->UseRealTime();

void lecteur_minimal(benchmark::State& etat) {
    dossier_temporaire d;
    serveur s;
    lance_programme(s, d.chemin.string());
    const std::string prise = (d.chemin / fichier_prise).string();
    for (auto _ : etat) execute(etat, {HORLIVET_LECTEUR, prise});
}
BENCHMARK(lecteur_minimal)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
