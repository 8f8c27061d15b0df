// The whole window built and loaded by startup, until it is shown and painted, against
// an empty window shown the same way. Both run on the offscreen platform.

#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QWidget>
#include <QWindow>

#include <benchmark/benchmark.h>

#include "commun.h"
#include "platform/services.h"

#if __has_include("window/fenetre_qt.h")
#include "window/fenetre_qt.h"
#define HORLIVET_FENETRE 1
#endif

namespace {

using namespace horlivet;
using namespace horlivet::banc;

// Shown: exposed, then painted by the events that the exposure posted.
void attend_affichage(QWidget& w) {
    while (w.windowHandle() == nullptr || !w.windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QCoreApplication::processEvents();
}

#ifdef HORLIVET_FENETRE
void fenetre_form_load(benchmark::State& etat) {
    dossier_temporaire d;
    ecrit_reglages(d / "ervaline.ini", 0);
    std::vector<std::string> messages;
    for (auto _ : etat) {
        etat.PauseTiming();
        auto p = std::make_unique<programme>();
        p->s = services_reels();
        p->s.message = [&messages](const std::string&, const std::string& texte) {
            messages.push_back(texte);
        };
        route_handlers(*p);
        etat.ResumeTiming();
        auto fenetre = std::make_unique<fenetre_qt>(*p);
        fenetre->demarre(d.chemin.string());
        attend_affichage(*fenetre);
        etat.PauseTiming();
        fenetre.reset();
        p.reset();
        etat.ResumeTiming();
    }
    if (!messages.empty()) etat.SkipWithError(messages.front().c_str());
}
BENCHMARK(fenetre_form_load)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

// Baseline: an empty window, shown the same way.
void fenetre_vide(benchmark::State& etat) {
    for (auto _ : etat) {
        auto fenetre = std::make_unique<QWidget>();
        fenetre->show();
        attend_affichage(*fenetre);
        etat.PauseTiming();
        fenetre.reset();
        etat.ResumeTiming();
    }
}
BENCHMARK(fenetre_vide)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int nb_arguments = 1;
    QApplication application(nb_arguments, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
