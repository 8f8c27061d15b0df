#include "model/date_heure.h"

namespace horlivet {

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
