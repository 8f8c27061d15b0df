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

using namespace std::chrono;

sys_seconds instant_de(const date_heure& d) {
    const year_month_day jour{year{d.annee}, month{static_cast<unsigned>(d.mois)},
                              std::chrono::day{static_cast<unsigned>(d.jour)}};
    return sys_days(jour) + seconds(d.secondes);
}

date_heure date_de(sys_seconds t) {
    const auto jour = floor<days>(t);
    const year_month_day ymd(jour);
    date_heure d;
    d.annee = static_cast<int>(ymd.year());
    d.mois = static_cast<int>(static_cast<unsigned>(ymd.month()));
    d.jour = static_cast<int>(static_cast<unsigned>(ymd.day()));
    d.jour_semaine = static_cast<int>(weekday(jour).iso_encoding()) - 1;
    d.secondes = static_cast<int>((t - jour).count());
    return d;
}

}  // namespace horlivet
