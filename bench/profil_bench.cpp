#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "platform/profil.h"

namespace horlivet {
namespace {

// The 240 keys of a settings file, as the save writes them.
std::vector<std::string> cles_reglages() {
    std::vector<std::string> cles;
    for (int i = 0; i < 8; ++i) {
        for (int n = 0; n < 30; ++n)
            cles.push_back("cle_" + std::to_string(n) + "_" + std::to_string(i));
    }
    return cles;
}

// A full settings file, after `autres` bytes of other sections of 20 keys each.
std::string fichier(std::size_t autres) {
    std::string t;
    for (int s = 0; t.size() < autres; ++s) {
        t += "[autre_" + std::to_string(s) + "]\r\n";
        for (int k = 0; k < 20; ++k)
            t += "Cle_" + std::to_string(k) + "=une valeur assez longue\r\n";
    }
    t += "[ervaline]\r\n";
    for (const std::string& cle : cles_reglages()) t += cle + "=0\r\n";
    return t;
}

// The load of the settings: parse, then read the 240 keys.
void BM_lecture_240(benchmark::State& state) {
    const std::string t = fichier(static_cast<std::size_t>(state.range(0)));
    const std::vector<std::string> cles = cles_reglages();
    for (auto _ : state) {
        const fichier_profil f = profil_de_texte(t);
        for (const std::string& cle : cles) {
            benchmark::DoNotOptimize(lit_profil(f, "ervaline", cle, "0", 64));
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * t.size()));
}
BENCHMARK(BM_lecture_240)->Arg(0)->Arg(1 << 20)->Arg(4 << 20)->Unit(benchmark::kMicrosecond);

// The save into a file that lacks the section: parse, 240 appended keys, the text.
void BM_ecriture_240(benchmark::State& state) {
    std::string t = fichier(static_cast<std::size_t>(state.range(0)));
    t.resize(t.find("[ervaline]"));
    const std::vector<std::string> cles = cles_reglages();
    for (auto _ : state) {
        fichier_profil f = profil_de_texte(t);
        for (const std::string& cle : cles) ecrit_profil(f, "ervaline", cle, "1");
        benchmark::DoNotOptimize(texte_profil(f));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * t.size()));
}
BENCHMARK(BM_ecriture_240)->Arg(0)->Arg(1 << 20)->Arg(4 << 20)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace horlivet

BENCHMARK_MAIN();
