#include "platform/horloge.h"

#include <time.h>

namespace horlivet {

date_heure maintenant_systeme() {
    // localtime_r, unlike localtime, does not re-read the time zone at every call.
    const time_t t = time(nullptr);
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
