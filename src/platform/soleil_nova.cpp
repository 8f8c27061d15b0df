#include "platform/soleil_nova.h"

#include <cmath>
#include <memory>
#include <random>

#include <libnova/precession.h>
#include <libnova/rise_set.h>
#include <libnova/solar.h>

namespace horlivet {

namespace {

using namespace std::chrono;

constexpr double jour_julien_1970 = 2440587.5;

double jour_julien(sys_seconds t) {
    return jour_julien_1970 + static_cast<double>(t.time_since_epoch().count()) / 86400.0;
}

sys_seconds instant_julien(double jj) {
    return sys_seconds(seconds(std::llround((jj - jour_julien_1970) * 86400.0)));
}

// The sun's place of date: libnova gives it for the equinox of J2000, which by 2027 is a
// third of a degree off, a minute and a half on every rise and set.
void position_du_jour(double jj, ln_equ_posn* position) {
    ln_equ_posn j2000{};
    ln_get_solar_equ_coords(jj, &j2000);
    ln_get_equ_prec(&j2000, jj, position);
}

}  // namespace

soleil_brut soleil_libnova(double latitude, double longitude, sys_seconds jour) {
    ln_lnlat_posn observateur{longitude, latitude};
    ln_rst_time rst{};
    soleil_brut r;
    const int statut = ln_get_body_rst_horizon(jour_julien(jour), &observateur, position_du_jour,
                                               LN_SOLAR_STANDART_HORIZON, &rst);
    // libnova: 1 above the horizon all day, -1 below.
    r.statut = statut > 0 ? 1 : statut < 0 ? -1 : 0;
    if (r.statut == 0) {
        r.lever = instant_julien(rst.rise);
        r.coucher = instant_julien(rst.set);
    }
    return r;
}

tirage_aleatoire tirage_systeme() {
    auto generateur = std::make_shared<std::mt19937>(std::random_device{}());
    return [generateur](int min, int max) {
        if (max < min) return min;
        return std::uniform_int_distribution<int>(min, max)(*generateur);
    };
}

}  // namespace horlivet
