// The tick with all 32 slots enabled and none due, against the 128 clock reads it makes;
// and the same tick with every slot following the sun, against it.

#include <benchmark/benchmark.h>

#include "model/horaires_du_jour.h"
#include "platform/horloge.h"
#include "platform/services_reels.h"
#include "platform/soleil_nova.h"
#include "scheduler/tick.h"

namespace {

using namespace horlivet;

// A program whose 32 slots are enabled every day, twelve hours away from now: never due
// while the benchmark runs. With `soleil`, each start follows sunset in Paris, held at that
// same time by its bounds, and the day's times are worked out before the first tick.
void prepare(programme& p, bool soleil) {
    p.s.maintenant = maintenant_systeme;
    p.s.lance = [](const std::string&, const std::string&) { return 33; };
    p.s.ajoute_ligne = [](const std::string&, std::string_view) { return std::string(); };
    for (auto& plage : p.g.attente) plage.fill(true);
    p.g.ticks_actifs = true;
    const date_heure d = maintenant_systeme();
    const int h = (d.secondes / 3600 + 12) % 24;
    for (int i = 0; i < nb_voies; ++i) {
        for (int j = 0; j < nb_jours; ++j) ecrit_coche(p.fenetre, jour(j), i, true);
        for (int k = 1; k <= nb_plages; ++k) {
            ecrit_coche(p.fenetre, valid_k(k), i, true);
            ecrit_position(p.fenetre, H_marche(k), i, h);
            ecrit_position(p.fenetre, H_arret(k), i, h);
            ecrit_position(p.fenetre, M_arret(k), i, 30);
            if (soleil) {
                regles_k(p.g.variables, k, i).soleil_debut =
                    regle_soleil{true, 0, heure_de(h, 0), heure_de(h, 0)};
            }
        }
        rafraichit_horaires(p.h, p.fenetre, i);
    }
    if (!soleil) return;
    p.g.variables.place = lieu{48.8566, 2.3522};
    p.s.soleil = soleil_libnova;
    p.s.locale = date_locale;
    retient_fixes(p);
    horaires_du_jour(p, d);
}

void tick_sans_lancement(benchmark::State& etat) {
    programme p;
    prepare(p, false);
    for (auto _ : etat) Timer1_Timer(p);
}
BENCHMARK(tick_sans_lancement);

// The same tick when every slot follows the sun: the day's times are not worked out again.
void tick_soleil(benchmark::State& etat) {
    programme p;
    prepare(p, true);
    for (auto _ : etat) Timer1_Timer(p);
    if (p.g.variables.date == 0) etat.SkipWithError("no slot followed the sun");
}
BENCHMARK(tick_soleil);

void lectures_horloge_128(benchmark::State& etat) {
    for (auto _ : etat) {
        for (int n = 0; n < 128; ++n) benchmark::DoNotOptimize(maintenant_systeme());
    }
}
BENCHMARK(lectures_horloge_128);

}  // namespace

BENCHMARK_MAIN();
