// The tick with all 32 slots enabled and none due, against the 128 clock reads it makes.

#include <benchmark/benchmark.h>

#include "platform/horloge.h"
#include "platform/services_reels.h"
#include "scheduler/tick.h"

namespace {

using namespace horlivet;

void tick_sans_lancement(benchmark::State& etat) {
    programme p;
    p.s.maintenant = maintenant_systeme;
    p.s.lance = [](const std::string&, const std::string&) { return 33; };
    p.s.ajoute_ligne = [](const std::string&, std::string_view) { return std::string(); };
    for (auto& plage : p.g.attente) plage.fill(true);
    p.g.ticks_actifs = true;
    const date_heure d = maintenant_systeme();
    for (int i = 0; i < nb_voies; ++i) {
        for (int j = 0; j < nb_jours; ++j) ecrit_coche(p.fenetre, jour(j), i, true);
        for (int k = 1; k <= nb_plages; ++k) {
            ecrit_coche(p.fenetre, valid_k(k), i, true);
            // Twelve hours away from now: never due while the benchmark runs.
            const int h = (d.secondes / 3600 + 12) % 24;
            ecrit_position(p.fenetre, H_marche(k), i, h);
            ecrit_position(p.fenetre, H_arret(k), i, h);
            ecrit_position(p.fenetre, M_arret(k), i, 30);
        }
        rafraichit_horaires(p.h, p.fenetre, i);
    }
    for (auto _ : etat) Timer1_Timer(p);
}
BENCHMARK(tick_sans_lancement);

void lectures_horloge_128(benchmark::State& etat) {
    for (auto _ : etat) {
        for (int n = 0; n < 128; ++n) benchmark::DoNotOptimize(maintenant_systeme());
    }
}
BENCHMARK(lectures_horloge_128);

}  // namespace

BENCHMARK_MAIN();
