#include "platform/horloge.h"

#include <time.h>

namespace horlivet {

namespace {

date_heure date_locale_de(time_t t) {
    struct tm local {};
    localtime_r(&t, &local);
    date_heure d;
    d.annee = local.tm_year + 1900;
    d.mois = local.tm_mon + 1;
    d.jour = local.tm_mday;
    d.jour_semaine = (local.tm_wday + 6) % 7;
    d.secondes = local.tm_hour * 3600 + local.tm_min * 60 + (local.tm_sec > 59 ? 59 : local.tm_sec);
    d.decalage = static_cast<int>(local.tm_gmtoff);
    return d;
}

}  // namespace

date_heure maintenant_systeme() {
    const time_t t = time(nullptr);
    // localtime_r keeps the zone it first read, but tzset looks again: at TZ, and when it
    // is unset at /etc/localtime (another link target, a rewritten file). Once a second is
    // enough for a change of zone to show from the next tick on.
    static time_t seconde_du_dernier_tzset = -1;
    if (t != seconde_du_dernier_tzset) {
        tzset();
        seconde_du_dernier_tzset = t;
    }
    return date_locale_de(t);
}

date_heure date_locale(std::chrono::sys_seconds t) {
    return date_locale_de(static_cast<time_t>(t.time_since_epoch().count()));
}

}  // namespace horlivet
