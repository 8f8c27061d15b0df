// One start command of null.bat, as a due slot runs it (the real launcher, its journal
// line in a temporary folder, the colours), against a bare spawn of /bin/true.

#include <filesystem>

#include <spawn.h>
#include <sys/wait.h>

#include <benchmark/benchmark.h>

#include "commun.h"
#include "platform/formats.h"
#include "platform/journal_fichier.h"
#include "platform/lanceur.h"
#include "scheduler/commande.h"
#include "scheduler/journal.h"

namespace {

using namespace horlivet;
using namespace horlivet::banc;

// Waits until a child has ended, without reaping it.
void attend_fin_enfant() {
    siginfo_t info{};
    while (::waitid(P_ALL, 0, &info, WEXITED | WNOWAIT) != 0 && errno == EINTR) {
    }
}

// Both figures time what the caller pays: the spawn, up to the child's exec, and the
// reaping of the ended child. The child's own run is not timed (it runs in parallel
// with the program): the timing pauses while the child ends, so that no child outlives
// its iteration and none competes for the processors with the next.
void command_m(benchmark::State& etat) {
    dossier_temporaire d;
    std::filesystem::create_directory(d.chemin / "actions");
    std::filesystem::copy_file(HORLIVET_SOURCE_DIR "/actions/null.bat",
                               d.chemin / "actions" / "null.bat");
    programme_banc banc(d.chemin.string());
    programme& p = banc.p;
    p.s.lance = lance_fichier;
    p.s.ajoute_ligne = ajoute_au_fichier;
    p.s.date_longue = date_longue_locale;
    p.s.heure_longue = heure_longue_locale;
    p.s.signale = [&etat](const std::string& texte) { etat.SkipWithError(texte.c_str()); };
    verif_mois(p);
    ecrit_texte(p.fenetre, champ::nom, 0, "Pompe");
    for (auto _ : etat) {
        command_M(p, 0);
        etat.PauseTiming();
        attend_fin_enfant();
        etat.ResumeTiming();
        recolte_enfants();
        ecrit_fond(p.fenetre, champ::nom, 0, jaune_clair);
        ecrit_fond(p.fenetre, champ::Option1, 0, jaune_clair);
    }
    const std::string journal = lit_fichier(p.g.fichier_journal);
    if (journal.find("Erreur") != std::string::npos) etat.SkipWithError("null.bat failed");
}
BENCHMARK(command_m)->Unit(benchmark::kMicrosecond)->UseRealTime();

// Baseline: /bin/true spawned with nothing set up, then reaped.
void spawn_true(benchmark::State& etat) {
    char programme[] = "/bin/true";
    char* argv[] = {programme, nullptr};
    for (auto _ : etat) {
        pid_t pid = 0;
        if (::posix_spawn(&pid, argv[0], nullptr, nullptr, argv, environ) != 0)
            etat.SkipWithError("posix_spawn failed");
        etat.PauseTiming();
        attend_fin_enfant();
        etat.ResumeTiming();
        while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
}
BENCHMARK(spawn_true)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
