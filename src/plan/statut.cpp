#include "plan/statut.h"

#include <cstdio>

#include "scheduler/manuel.h"

namespace horlivet {

namespace {

using namespace std::chrono;

// What the look-ahead reads of the schedule: days, enable boxes and slot times.
std::string horaire_de(const programme& p) {
    std::string t;
    for (int i = 0; i < nb_voies; ++i) {
        for (int d = 0; d < nb_jours; ++d) t += coche(p.fenetre, jour(d), i) ? '1' : '0';
        for (int k = 1; k <= nb_plages; ++k) {
            t += coche(p.fenetre, valid_k(k), i) ? '1' : '0';
            t += std::to_string(debut_k(p.h, k, i)) + '-' + std::to_string(fin_k(p.h, k, i)) + ';';
        }
    }
    return t;
}

std::string iso(const std::optional<lancement_prevu>& l) {
    if (!l) return "none";
    char t[48];
    const date_heure& d = l->quand;
    std::snprintf(t, sizeof t, "%04d-%02d-%02dT%02d:%02d:%02d", d.annee, d.mois, d.jour,
                  d.secondes / 3600, d.secondes / 60 % 60, d.secondes % 60);
    return t;
}

}  // namespace

std::string repond_avec_prochains(programme& p, std::string_view ligne, const std::string& qui,
                                  prochains_en_cache& cache, sys_seconds maintenant,
                                  const conversion_locale& locale) {
    std::string reponse = repond_requete(p, ligne, qui);
    const lecture_requete l = lit_requete(ligne);
    if (!l.r || l.r->s != requete::sorte::statut || !reponse.starts_with("ok\n")) return reponse;
    std::string horaire = horaire_de(p);
    if (horaire != cache.horaire || maintenant >= cache.valable_jusqua) {
        cache.prochains = prochains_lancements(p, maintenant, locale);
        cache.horaire = std::move(horaire);
        cache.valable_jusqua = maintenant + days(jours_simules);
        for (const prochains_voie& v : cache.prochains) {
            for (const auto& x : {v.marche, v.arret}) {
                if (x && maintenant + x->dans < cache.valable_jusqua)
                    cache.valable_jusqua = maintenant + x->dans;
            }
        }
    }
    std::string r;
    std::size_t debut = 0;
    int i = 0;
    while (debut < reponse.size()) {
        const std::size_t fin = reponse.find('\n', debut);
        std::string_view une(reponse.data() + debut, fin - debut);
        r += une;
        if (une.starts_with("channel=") && i < nb_voies) {
            const prochains_voie& v = cache.prochains[static_cast<std::size_t>(i++)];
            r += " next_start=" + iso(v.marche) + " next_stop=" + iso(v.arret);
        }
        r += '\n';
        debut = fin + 1;
    }
    return r;
}

}  // namespace horlivet
