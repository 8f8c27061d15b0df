// The settings load and save, on a file of the 240 keys alone and on one that also holds
// 1 MiB of other sections, against reading and writing the same bytes plainly; and the
// load of a file whose 32 slots all follow the sun, against the same file without them.

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <benchmark/benchmark.h>

#include "commun.h"
#include "platform/profil.h"
#include "platform/soleil_nova.h"

namespace {

using namespace horlivet;
using namespace horlivet::banc;

constexpr std::int64_t sans_autres = 0;
constexpr std::int64_t un_mio = 1 << 20;

// One folder per size of other sections, with its settings file written by our save.
const dossier_temporaire& dossier_reglages(std::int64_t autres) {
    static std::map<std::int64_t, std::unique_ptr<dossier_temporaire>> dossiers;
    auto& d = dossiers[autres];
    if (!d) {
        d = std::make_unique<dossier_temporaire>();
        ecrit_reglages(*d / "ervaline.ini", static_cast<std::size_t>(autres));
    }
    return *d;
}

// The key lines of our section, in file order, as the save writes them.
std::vector<std::pair<std::string, std::string>> cles_ecrites(const std::string& texte) {
    std::vector<std::pair<std::string, std::string>> cles;
    std::size_t n = texte.find("[ervaline]\r\n");
    if (n == std::string::npos) return cles;
    n += 12;
    while (n < texte.size() && texte[n] != '[') {
        const std::size_t fin = texte.find("\r\n", n);
        const std::string ligne = texte.substr(n, fin - n);
        const std::size_t egal = ligne.find('=');
        cles.emplace_back(ligne.substr(0, egal), ligne.substr(egal + 1));
        n = fin + 2;
    }
    return cles;
}

// The load as startup runs it: a fresh window, every handler routed.
void lecture_ini(benchmark::State& etat) {
    const dossier_temporaire& d = dossier_reglages(etat.range(0));
    std::vector<std::string> messages;
    for (auto _ : etat) {
        etat.PauseTiming();
        auto banc = std::make_unique<programme_banc>(d.chemin.string());
        etat.ResumeTiming();
        lecture_ini(banc->p);
        benchmark::DoNotOptimize(banc->p.h);
        etat.PauseTiming();
        messages = std::move(banc->messages);
        banc.reset();
        etat.ResumeTiming();
    }
    if (!messages.empty()) etat.SkipWithError(messages.front().c_str());
}
BENCHMARK(lecture_ini)->Arg(sans_autres)->Arg(un_mio)->Unit(benchmark::kMicrosecond);

// The full schedule's file, with (avec) or without a [horlivet] section that sets a place
// and makes every slot start after sunset and stop before sunrise.
const dossier_temporaire& dossier_soleil(bool avec) {
    static std::map<bool, std::unique_ptr<dossier_temporaire>> dossiers;
    auto& d = dossiers[avec];
    if (!d) {
        d = std::make_unique<dossier_temporaire>();
        const std::string fichier = *d / "ervaline.ini";
        ecrit_reglages(fichier, 0);
        std::string section = "[horlivet]\r\nlatitude=48.8566\r\nlongitude=2.3522\r\n";
        for (int i = 0; i < nb_voies; ++i) {
            for (int k = 1; k <= nb_plages; ++k) {
                const std::string ki = std::to_string(k) + "_" + std::to_string(i);
                section += "soleil_deb_" + ki + "=coucher+" + std::to_string(10 * k) +
                           " apres 17:00\r\nsoleil_fin_" + ki + "=lever-15\r\n";
            }
        }
        if (avec && !ecrit_fichier(fichier, section, O_APPEND, false))
            throw std::runtime_error(fichier + ": " + std::strerror(errno));
    }
    return *d;
}

// The load as startup runs it, with the real sun times and clock: range 1 with every slot
// following the sun, 0 without the section (its baseline).
void lecture_ini_soleil(benchmark::State& etat) {
    const dossier_temporaire& d = dossier_soleil(etat.range(0) != 0);
    std::vector<std::string> messages;
    const auto maintenant =
        std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
    int jours = 0;
    for (auto _ : etat) {
        etat.PauseTiming();
        auto banc = std::make_unique<programme_banc>(d.chemin.string());
        // A day further on at each load, so that no sun computation is reused.
        const date_heure jour = date_locale(maintenant + std::chrono::days(++jours % 3650));
        banc->p.s.maintenant = [jour] { return jour; };
        banc->p.s.locale = date_locale;
        banc->p.s.soleil = soleil_libnova;
        banc->p.s.signale = [&b = *banc](const std::string& t) { b.messages.push_back(t); };
        etat.ResumeTiming();
        lecture_ini(banc->p);
        benchmark::DoNotOptimize(banc->p.h);
        etat.PauseTiming();
        messages = std::move(banc->messages);
        if (etat.range(0) != 0 && banc->p.g.variables.date == 0)
            messages.push_back("no slot followed the sun");
        banc.reset();
        etat.ResumeTiming();
    }
    if (!messages.empty()) etat.SkipWithError(messages.front().c_str());
}
BENCHMARK(lecture_ini_soleil)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// Baseline of the load: the same file into memory.
void lecture_memoire(benchmark::State& etat) {
    const std::string chemin = dossier_reglages(etat.range(0)) / "ervaline.ini";
    for (auto _ : etat) benchmark::DoNotOptimize(lit_fichier(chemin));
}
BENCHMARK(lecture_memoire)->Arg(sans_autres)->Arg(un_mio)->Unit(benchmark::kMicrosecond);

// The save button on a loaded schedule.
void enregistre_click(benchmark::State& etat) {
    const dossier_temporaire& d = dossier_reglages(etat.range(0));
    programme_banc banc(d.chemin.string());
    lecture_ini(banc.p);
    for (auto _ : etat) {
        enregistre_Click(banc.p);
        if (marque_visible(banc.p.fenetre)) etat.SkipWithError("the save failed");
    }
    if (!banc.messages.empty()) etat.SkipWithError(banc.messages.front().c_str());
}
BENCHMARK(enregistre_click)
    ->Arg(sans_autres)
    ->Arg(un_mio)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

// Baseline of the save: the same bytes to a temporary file in the same folder, renamed
// over another file. The file and its folder are flushed as our save flushes them, so
// that both wait for the disk alike and the ratio shows only what our save adds.
void ecriture_remplacement(benchmark::State& etat) {
    const dossier_temporaire& d = dossier_reglages(etat.range(0));
    const std::string octets = lit_fichier(d / "ervaline.ini");
    const std::string cible = d / "copie.ini";
    const std::string temporaire = d / ".copie.ini.tmp";
    for (auto _ : etat) {
        bool ok = ecrit_fichier(temporaire, octets, O_EXCL, true) &&
                  ::rename(temporaire.c_str(), cible.c_str()) == 0;
        const int dossier = ::open(d.chemin.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ok = ok && dossier >= 0 && ::fsync(dossier) == 0;
        if (dossier >= 0) ::close(dossier);
        if (!ok) etat.SkipWithError("the plain write failed");
    }
}
BENCHMARK(ecriture_remplacement)
    ->Arg(sans_autres)
    ->Arg(un_mio)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

// The save done key by key, as per-key profile calls do it: each key reads the whole
// file, changes one line and replaces the file.
void enregistrement_par_cle(benchmark::State& etat) {
    const dossier_temporaire& d = dossier_reglages(etat.range(0));
    const std::string chemin = d / "ervaline.ini";
    const auto cles = cles_ecrites(lit_fichier(chemin));
    if (cles.size() != 240) etat.SkipWithError("the settings file lacks keys");
    for (auto _ : etat) {
        for (const auto& [cle, valeur] : cles) {
            fichier_profil f = charge_profil(chemin);
            ecrit_profil(f, section_ini, cle, valeur);
            if (!enregistre_profil(f, chemin).empty()) etat.SkipWithError("a key save failed");
        }
    }
}
BENCHMARK(enregistrement_par_cle)->Arg(un_mio)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
