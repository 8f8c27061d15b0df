#include "scheduler/tick.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "model/horaires_du_jour.h"
#include "scheduler/commande.h"
#include "scheduler/etat.h"
#include "scheduler/journal.h"
#include "scheduler/manuel.h"

namespace horlivet {

namespace {

using namespace std::chrono;

constexpr heure_du_jour une_minute = 60;
constexpr seconds periode = duration_cast<seconds>(milliseconds(periode_timer1_ms));
// Ticks further apart than a window is long may have stepped over a whole window.
constexpr seconds ecart_sans_trou = seconds(une_minute);

// The closed window [t, t + 1 min], compared as times of day: it never runs past
// midnight, so a slot at 23:59 ends at 23:59:59.
bool dans_la_fenetre(programme& p, heure_du_jour t) {
    const heure_du_jour t1 = p.s.maintenant().secondes;
    const heure_du_jour t2 = p.s.maintenant().secondes;
    return t1 >= t && t2 <= t + une_minute;
}

// The rules of one tick on date `d`: for channels 0..7 and slots 1..4 the gate, the start
// test, then the stop test. `dans_fenetre(t)` says whether the time of day lies in the
// window of t; `marche(i, k)` and `arret(i, k)` are called after the flag has changed.
template <typename Fenetre, typename Marche, typename Arret>
void regles_du_tick(programme& p, const date_heure& d, Fenetre dans_fenetre, Marche marche,
                    Arret arret) {
    const champ D = jour(d.jour_semaine);
    const int date = d.annee * 10000 + d.mois * 100 + d.jour;
    for (int i = 0; i < nb_voies; ++i) {
        for (int k = 1; k <= nb_plages; ++k) {
            if (!(coche(p.fenetre, D, i) && coche(p.fenetre, valid_k(k), i))) continue;
            const auto ki = static_cast<std::size_t>(k - 1);
            const auto ii = static_cast<std::size_t>(i);
            bool& attente = attente_k(p.g, k, i);
            int& date_debut = p.g.date_dernier_debut[ki][ii];
            heure_du_jour& heure_debut = p.g.heure_dernier_debut[ki][ii];
            const heure_du_jour debut = debut_k(p.h, k, i);
            if (dans_fenetre(debut) && attente && !(date_debut == date && heure_debut == debut) &&
                !p.h.sans_debut[ki][ii]) {
                attente = false;
                date_debut = date;
                heure_debut = debut;
                marche(i, k);
            }
            if (dans_fenetre(fin_k(p.h, k, i)) && !attente) {
                attente = true;
                arret(i, k);
            }
        }
    }
}

// "2027-03-28 01:59:50".
std::string texte_date(const date_heure& d) {
    char texte[48];
    std::snprintf(texte, sizeof texte, "%04d-%02d-%02d %02d:%02d:%02d", d.annee, d.mois, d.jour,
                  d.secondes / 3600, d.secondes / 60 % 60, d.secondes % 60);
    return texte;
}

// "3 d 1 h 0 min 20 s", the days left out when there are none.
std::string texte_duree(seconds s) {
    const auto j = duration_cast<days>(s);
    const hh_mm_ss hms(s - j);
    std::string t = j.count() > 0 ? std::to_string(j.count()) + " d " : "";
    return t + std::to_string(hms.hours().count()) + " h " + std::to_string(hms.minutes().count()) +
           " min " + std::to_string(hms.seconds().count()) + " s";
}

// The minutes from `depuis` to `jusqua` that no tick saw: the state the ticks would have
// left, reached with one launch per slot whose flag it changes. A channel's launches come
// in the order of the flag changes they stand for, so that its last launch is the one the
// ticks would have made last: a stop of Monday before a start of Tuesday, whatever their
// slot numbers.
void rattrape(programme& p, const date_heure& depuis, const date_heure& jusqua) {
    const auto avant = p.g.attente;
    instants_plages changements{};
    simule_ticks(p, depuis, jusqua, &changements);
    struct lancement {
        int i;
        sys_seconds quand;
        bool marche;
    };
    std::vector<lancement> lancements;
    for (int i = 0; i < nb_voies; ++i) {
        for (int k = 1; k <= nb_plages; ++k) {
            const auto ki = static_cast<std::size_t>(k - 1);
            const auto ii = static_cast<std::size_t>(i);
            if (avant[ki][ii] == attente_k(p.g, k, i)) continue;
            // A paused channel launches nothing: its slots wait.
            if (en_pause(p.g, i)) {
                attente_k(p.g, k, i) = true;
                continue;
            }
            lancements.push_back({i, changements[ki][ii], avant[ki][ii]});
        }
    }
    if (lancements.empty()) return;
    // Stable: two changes of one channel in one tick keep the tick's slot order.
    std::stable_sort(lancements.begin(), lancements.end(), [](const auto& a, const auto& b) {
        return a.i != b.i ? a.i < b.i : a.quand < b.quand;
    });
    const std::size_t n = lancements.size();
    p.s.signale("no tick saw the " + texte_duree(instant_de(jusqua) - instant_de(depuis)) +
                " from " + texte_date(depuis) + " to " + texte_date(jusqua) + " (local time): " +
                std::to_string(n) + (n == 1 ? " launch catches" : " launches catch") + " up");
    for (const lancement& l : lancements) {
        if (l.marche) {
            command_M(p, l.i);
        } else {
            command_A(p, l.i);
        }
    }
}

}  // namespace

void simule_ticks(programme& p, const date_heure& depuis, const date_heure& jusqua,
                  instants_plages* changements) {
    const sys_seconds fin = instant_de(jusqua);
    sys_seconds t = instant_de(depuis);
    if (fin - t > days(jours_rattrapes)) t += (fin - days(jours_rattrapes) - t) / periode * periode;
    for (t += periode; t < fin; t += periode) {
        const date_heure d = date_de(t);
        horaires_du_jour(p, d);
        const auto note = [changements, t](int i, int k) {
            if (changements)
                (*changements)[static_cast<std::size_t>(k - 1)][static_cast<std::size_t>(i)] = t;
        };
        regles_du_tick(
            p, d, [&d](heure_du_jour h) { return d.secondes >= h && d.secondes <= h + une_minute; },
            note, note);
    }
}

void Timer1_Timer(programme& p) {
    if (!p.g.ticks_actifs) return;
    verif_mois(p);
    const date_heure aujourdhui = p.s.maintenant();
    const std::optional<date_heure> precedent = p.g.dernier_tick;
    p.g.dernier_tick = aujourdhui;
    const int tirage_avant = p.g.variables.date_tirage, date_avant = p.g.variables.date;
    // Overrides and pauses whose end has come (manuel.h); none in force costs a loop.
    fins_du_tick fins = forcages_du_tick(p, aujourdhui);
    if (precedent && instant_de(aujourdhui) - instant_de(*precedent) > ecart_sans_trou) {
        rattrape(p, *precedent, aujourdhui);
    }
    // The first tick of a day works out its slot times; a new draw goes to the state file.
    horaires_du_jour(p, aujourdhui);
    if (p.g.variables.date_tirage != tirage_avant) note_tirage(p);
    if (p.g.variables.date != date_avant) montre_horaires_du_jour(p);
    regles_du_tick(
        p, aujourdhui, [&p](heure_du_jour t) { return dans_la_fenetre(p, t); },
        [&p, &fins](int i, int k) {
            if (lance_la_marche(p, fins, i, k)) command_M(p, i);
        },
        [&p, &fins](int i, int) {
            if (lance_l_arret(p, fins, i)) command_A(p, i);
        });
    acheve_forcages(p, fins);
}

}  // namespace horlivet
