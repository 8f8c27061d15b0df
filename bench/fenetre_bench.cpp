// The whole window built and loaded by startup, until it is shown and painted, against
// an empty window shown the same way. Both run on the offscreen platform.
//
// Each iteration runs in a fresh child process. The program builds its window once, in
// a process where Qt has shown nothing yet: no font loaded, no style polished, no glyph
// cached. A loop in one process would time a warm rebuild instead, which the program
// never does. The child starts as the program does, its QApplication untimed, times the
// window alone, and reports through a pipe.

#include <chrono>
#include <memory>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QLabel>
#include <QWidget>
#include <QWindow>

#include <benchmark/benchmark.h>

#include "commun.h"
#include "platform/interface_qt.h"
#include "platform/services_reels.h"
#include "window/fenetre_qt.h"

namespace {

using namespace horlivet;
using namespace horlivet::banc;

// Shown: exposed, then painted by the events that the exposure posted.
void attend_affichage(QWidget& w) {
    while (w.windowHandle() == nullptr || !w.windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QCoreApplication::processEvents();
}

// Times `affiche` (which returns false on failure) in a child process, per iteration.
template <typename F>
void dans_un_processus(benchmark::State& etat, F&& affiche) {
    for (auto _ : etat) {
        int tube[2];
        if (::pipe(tube) != 0) etat.SkipWithError("pipe");
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(tube[0]);
            int nb_arguments = 1;
            char nom[] = "fenetre_bench";
            char* arguments[] = {nom, nullptr};
            // As the program starts: fonts prepared beside the application's creation.
            std::jthread polices = prepare_polices();
            QApplication application(nb_arguments, arguments);
            polices.join();
            const auto debut = std::chrono::steady_clock::now();
            const bool ok = affiche();
            const std::chrono::duration<double> duree = std::chrono::steady_clock::now() - debut;
            const double secondes = ok ? duree.count() : -1;
            const bool ecrit = ::write(tube[1], &secondes, sizeof secondes) == sizeof secondes;
            ::_exit(ecrit ? 0 : 1);
        }
        ::close(tube[1]);
        double secondes = -1;
        const bool lu = ::read(tube[0], &secondes, sizeof secondes) == sizeof secondes;
        ::close(tube[0]);
        ::waitpid(pid, nullptr, 0);
        if (!lu || secondes < 0) {
            etat.SkipWithError("the child failed");
            break;
        }
        etat.SetIterationTime(secondes);
    }
}

void fenetre_form_load(benchmark::State& etat) {
    dossier_temporaire d;
    ecrit_reglages(d / "ervaline.ini", 0);
    const std::string dossier = d.chemin.string();
    dans_un_processus(etat, [&dossier] {
        bool message = false;
        programme p;
        p.s = services_reels();
        p.s.message = [&message](const std::string&, const std::string&) { message = true; };
        route_handlers(p);
        fenetre_qt fenetre(p);
        fenetre.demarre(dossier);
        attend_affichage(fenetre);
        return !message;
    });
}
BENCHMARK(fenetre_form_load)->Unit(benchmark::kMillisecond)->UseManualTime();

// Baseline: an empty window, shown the same way.
void fenetre_vide(benchmark::State& etat) {
    dans_un_processus(etat, [] {
        QWidget fenetre;
        fenetre.show();
        attend_affichage(fenetre);
        return true;
    });
}
BENCHMARK(fenetre_vide)->Unit(benchmark::kMillisecond)->UseManualTime();

// For reference only: the least window that shows text. The first text of a process
// pays for the font database and the first font, which the empty window never does.
void fenetre_une_etiquette(benchmark::State& etat) {
    dans_un_processus(etat, [] {
        QLabel fenetre("Horlivet");
        fenetre.show();
        attend_affichage(fenetre);
        return true;
    });
}
BENCHMARK(fenetre_une_etiquette)->Unit(benchmark::kMillisecond)->UseManualTime();

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
