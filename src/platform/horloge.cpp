#include "platform/horloge.h"

#include <time.h>

namespace horlivet {

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
    struct tm local {};
    localtime_r(&t, &local);
    date_heure d;
    d.annee = local.tm_year + 1900;
    d.mois = local.tm_mon + 1;
    d.jour = local.tm_mday;
    d.jour_semaine = (local.tm_wday + 6) % 7;
    d.secondes = local.tm_hour * 3600 + local.tm_min * 60 + (local.tm_sec > 59 ? 59 : local.tm_sec);
    return d;
}

}  // namespace horlivet
