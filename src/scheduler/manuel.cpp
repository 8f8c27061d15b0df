#include "scheduler/manuel.h"

#include <chrono>
#include <cstdio>

#include "model/mots.h"
#include "scheduler/commande.h"
#include "scheduler/etat.h"
#include "scheduler/journal.h"
#include "scheduler/tick.h"

namespace horlivet {

namespace {

using namespace std::chrono;

constexpr seconds une_minute(60);

// Exactly `n` digits.
std::optional<int> nombre(std::string_view t, std::size_t n) {
    if (t.size() != n) return std::nullopt;
    int v = 0;
    for (const char c : t) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return v;
}

// "2026-12-07 20:00:04", or with a 'T' between for the status.
std::string texte_date(const date_heure& d, char entre = ' ') {
    char t[48];
    std::snprintf(t, sizeof t, "%04d-%02d-%02d%c%02d:%02d:%02d", d.annee, d.mois, d.jour, entre,
                  d.secondes / 3600, d.secondes / 60 % 60, d.secondes % 60);
    return t;
}

// "22:00" when `d` falls on the day of `maintenant`, otherwise "2026-12-08 06:00".
std::string texte_fin(const date_heure& d, const date_heure& maintenant) {
    char t[48];
    if (d.annee == maintenant.annee && d.mois == maintenant.mois && d.jour == maintenant.jour) {
        std::snprintf(t, sizeof t, "%02d:%02d", d.secondes / 3600, d.secondes / 60 % 60);
    } else {
        std::snprintf(t, sizeof t, "%04d-%02d-%02d %02d:%02d", d.annee, d.mois, d.jour,
                      d.secondes / 3600, d.secondes / 60 % 60);
    }
    return t;
}

std::string nom_voie(int i) { return "channel " + std::to_string(i + 1); }

void dit(programme& p, const std::string& texte) {
    if (p.s.signale) p.s.signale(texte);
}

// The next start or stop minute of an enabled slot of channel i on a ticked day, after
// the minute of `maintenant`, within the days the catch-up covers; and whether a start
// comes at that minute (a start and a stop in one minute leave the device on).
std::optional<std::pair<date_heure, bool>> prochaine_bascule(const programme& p, int i,
                                                             const date_heure& maintenant) {
    const sys_seconds debut = floor<minutes>(instant_de(maintenant)) + une_minute;
    for (sys_seconds t = debut; t < debut + days(jours_rattrapes); t += une_minute) {
        const date_heure d = date_de(t);
        if (!coche(p.fenetre, jour(d.jour_semaine), i)) {
            t += seconds(86400 - d.secondes) - une_minute;
            continue;
        }
        bool marche = false, arret = false;
        for (int k = 1; k <= nb_plages; ++k) {
            if (!coche(p.fenetre, valid_k(k), i)) continue;
            marche = marche || debut_k(p.h, k, i) == d.secondes;
            arret = arret || fin_k(p.h, k, i) == d.secondes;
        }
        if (marche || arret) return std::make_pair(d, marche);
    }
    return std::nullopt;
}

bool voie_valide(int i) { return i >= 0 && i < nb_voies; }

std::string refus_de_base(const programme& p, int i) {
    if (!voie_valide(i)) return "no channel " + std::to_string(i + 1) + " (1 to 8)";
    if (!p.g.ticks_actifs) return "the program is starting or stopping";
    return {};
}

// Channel i as its schedule's ticks over the last days leave it, at `maintenant`: the
// same replay as the catch-up after a gap, with the channel's slots waiting and no start
// made before; the device is then brought there with one launch at most.
void rejoint_le_programme(programme& p, int i, const date_heure& maintenant) {
    const bool avant = voie_allumee(p.g, i);
    p.g.forcages[static_cast<std::size_t>(i)] = {};
    programme sim;
    sim.fenetre = p.fenetre;
    sim.fenetre.sur_edition = nullptr;
    sim.fenetre.sur_affichage = nullptr;
    sim.h = p.h;
    sim.g = p.g;
    const auto ii = static_cast<std::size_t>(i);
    for (int k = 1; k <= nb_plages; ++k) {
        const auto ki = static_cast<std::size_t>(k - 1);
        attente_k(sim.g, k, i) = true;
        sim.g.date_dernier_debut[ki][ii] = 0;
        sim.g.heure_dernier_debut[ki][ii] = 0;
    }
    simule_ticks(sim, date_de(instant_de(maintenant) - days(jours_rattrapes)), maintenant);
    for (int k = 1; k <= nb_plages; ++k) {
        const auto ki = static_cast<std::size_t>(k - 1);
        attente_k(p.g, k, i) = attente_k(sim.g, k, i);
        p.g.date_dernier_debut[ki][ii] = sim.g.date_dernier_debut[ki][ii];
        p.g.heure_dernier_debut[ki][ii] = sim.g.heure_dernier_debut[ki][ii];
    }
    const bool apres = voie_allumee(p.g, i);
    verif_mois(p);
    if (apres && !avant) {
        command_M(p, i);
    } else if (!apres && avant) {
        command_A(p, i);
    } else if (apres) {
        note_marche(p);
    } else {
        note_arret(p, i);
    }
    note_forcages(p);
}

void toutes_en_attente(programme& p, int i) {
    for (int k = 1; k <= nb_plages; ++k) attente_k(p.g, k, i) = true;
}

// Held on or off until the next switching.
std::string force(programme& p, int i, forcage::sorte s, const std::string& qui) {
    if (const std::string refus = refus_de_base(p, i); !refus.empty()) return refus;
    const date_heure maintenant = p.s.maintenant();
    const auto bascule = prochaine_bascule(p, i, maintenant);
    forcage f;
    f.s = s;
    f.depuis = maintenant;
    if (bascule) {
        f.jusqua = bascule->first;
        f.fin_par_marche = bascule->second;
    }
    const bool marche = s == forcage::sorte::marche;
    dit(p, nom_voie(i) + (marche ? " on" : " off") + " by hand until " +
               (bascule ? texte_fin(bascule->first, maintenant)
                        : std::string("auto (no switching within 8 days)")) +
               " (" + qui + ")");
    verif_mois(p);
    p.g.forcages[static_cast<std::size_t>(i)] = f;
    if (marche) {
        // Noted before the launch, as a start is: a crash then leaves it to stop.
        note_forcages(p);
        command_M(p, i);
    } else {
        toutes_en_attente(p, i);
        command_A(p, i);
        note_forcages(p);
    }
    return {};
}

}  // namespace

std::optional<date_heure> lit_date_pause(std::string_view texte) {
    const std::vector<std::string_view> m = mots(texte);
    if (m.empty() || m.size() > 2 || m[0].size() != 10 || m[0][4] != '-' || m[0][7] != '-')
        return std::nullopt;
    const auto a = nombre(m[0].substr(0, 4), 4), mo = nombre(m[0].substr(5, 2), 2),
               j = nombre(m[0].substr(8, 2), 2);
    if (!a || !mo || !j) return std::nullopt;
    if (!year_month_day(year(*a), month(static_cast<unsigned>(*mo)), day(static_cast<unsigned>(*j)))
             .ok())
        return std::nullopt;
    int secondes = 0;
    if (m.size() == 2) {
        if (m[1].size() != 5 || m[1][2] != ':') return std::nullopt;
        const auto h = nombre(m[1].substr(0, 2), 2), mn = nombre(m[1].substr(3, 2), 2);
        if (!h || !mn || *h > 23 || *mn > 59) return std::nullopt;
        secondes = *h * 3600 + *mn * 60;
    }
    date_heure d;
    d.annee = *a;
    d.mois = *mo;
    d.jour = *j;
    d.secondes = secondes;
    return date_de(instant_de(d));
}

lecture_requete lit_requete(std::string_view ligne) {
    lecture_requete r;
    const std::vector<std::string_view> m = mots(ligne);
    if (m.empty()) return {std::nullopt, "empty request"};
    requete q;
    const std::string_view verbe = m[0];
    if (verbe == "status") {
        if (m.size() != 1) return {std::nullopt, "status takes nothing more"};
        return {q, {}};
    }
    if (verbe == "on" || verbe == "off" || verbe == "auto") {
        q.s = verbe == "on"    ? requete::sorte::marche
              : verbe == "off" ? requete::sorte::arret
                               : requete::sorte::retour;
        const auto n = m.size() == 2 ? nombre(m[1], 1) : std::nullopt;
        if (!n || *n < 1 || *n > nb_voies) return {std::nullopt, "a channel 1 to 8 is needed"};
        q.voies = {*n - 1};
        return {q, {}};
    }
    if (verbe == "pause") {
        q.s = requete::sorte::pause;
        if (m.size() < 3 || m.size() > 4) return {std::nullopt, "pause N|all YYYY-MM-DD [HH:MM]"};
        if (m[1] == "all") {
            for (int i = 0; i < nb_voies; ++i) q.voies.push_back(i);
        } else {
            const auto n = nombre(m[1], 1);
            if (!n || *n < 1 || *n > nb_voies) return {std::nullopt, "a channel 1 to 8 is needed"};
            q.voies = {*n - 1};
        }
        const std::string date =
            std::string(m[2]) + (m.size() == 4 ? " " + std::string(m[3]) : std::string());
        q.jusqua = lit_date_pause(date);
        if (!q.jusqua) return {std::nullopt, "no date YYYY-MM-DD [HH:MM]"};
        return {q, {}};
    }
    return {std::nullopt, "unknown request (status, on, off, auto, pause)"};
}

bool voie_allumee(const globales& g, int i) {
    switch (g.forcages.at(static_cast<std::size_t>(i)).s) {
        case forcage::sorte::marche:
            return true;
        case forcage::sorte::arret:
        case forcage::sorte::pause:
            return false;
        case forcage::sorte::aucun:
            break;
    }
    for (int k = 1; k <= nb_plages; ++k) {
        if (!attente_k(g, k, i)) return true;
    }
    return false;
}

bool en_pause(const globales& g, int i) {
    return g.forcages.at(static_cast<std::size_t>(i)).s == forcage::sorte::pause;
}

std::string marche_forcee(programme& p, int i, const std::string& qui) {
    return force(p, i, forcage::sorte::marche, qui);
}

std::string arret_force(programme& p, int i, const std::string& qui) {
    return force(p, i, forcage::sorte::arret, qui);
}

std::string retour_au_programme(programme& p, int i, const std::string& qui) {
    if (const std::string refus = refus_de_base(p, i); !refus.empty()) return refus;
    if (p.g.forcages[static_cast<std::size_t>(i)].s == forcage::sorte::aucun)
        return nom_voie(i) + " has no override or pause";
    dit(p, nom_voie(i) + " back to its schedule (" + qui + ")");
    rejoint_le_programme(p, i, p.s.maintenant());
    return {};
}

std::string met_en_pause(programme& p, int i, const date_heure& jusqua, const std::string& qui) {
    if (const std::string refus = refus_de_base(p, i); !refus.empty()) return refus;
    const date_heure maintenant = p.s.maintenant();
    if (instant_de(jusqua) <= instant_de(maintenant))
        return "the date " + texte_date(jusqua) + " is not after now";
    const bool allumee = voie_allumee(p.g, i);
    dit(p, nom_voie(i) + " paused until " + texte_fin(jusqua, maintenant) + " (" + qui + ")");
    forcage f;
    f.s = forcage::sorte::pause;
    f.depuis = maintenant;
    f.jusqua = jusqua;
    p.g.forcages[static_cast<std::size_t>(i)] = f;
    toutes_en_attente(p, i);
    if (allumee) {
        verif_mois(p);
        command_A(p, i);
    }
    note_forcages(p);
    return {};
}

std::string repond_requete(programme& p, std::string_view ligne, const std::string& qui) {
    const lecture_requete l = lit_requete(ligne);
    if (!l.r) return "refused: " + l.faute + "\n";
    const requete& q = *l.r;
    std::string refus;
    switch (q.s) {
        case requete::sorte::statut: {
            std::string t = "ok\n";
            for (int i = 0; i < nb_voies; ++i) {
                const auto ii = static_cast<std::size_t>(i);
                const forcage& f = p.g.forcages[ii];
                t += "channel=" + std::to_string(i + 1) +
                     " state=" + (voie_allumee(p.g, i) ? "on" : "off");
                std::optional<date_heure> depuis = p.g.dernier_lancement[ii];
                std::string pourquoi = "schedule";
                for (int k = nb_plages; k >= 1; --k) {
                    const auto& n = p.g.notees[static_cast<std::size_t>(k - 1)][ii];
                    if (!attente_k(p.g, k, i)) pourquoi = "slot:" + std::to_string(k);
                    if (!depuis && n) depuis = n->marche;
                }
                if (f.s == forcage::sorte::pause) pourquoi = "paused";
                if (f.s == forcage::sorte::marche || f.s == forcage::sorte::arret)
                    pourquoi = "hand";
                t += " since=" + (depuis ? texte_date(*depuis, 'T') : std::string("none"));
                t += " why=" + pourquoi;
                if (f.s != forcage::sorte::aucun)
                    t += " until=" + (f.jusqua ? texte_date(*f.jusqua, 'T') : std::string("none"));
                t += "\n";
            }
            return t;
        }
        case requete::sorte::marche:
            refus = marche_forcee(p, q.voies.at(0), qui);
            break;
        case requete::sorte::arret:
            refus = arret_force(p, q.voies.at(0), qui);
            break;
        case requete::sorte::retour:
            refus = retour_au_programme(p, q.voies.at(0), qui);
            break;
        case requete::sorte::pause:
            // The date is checked once for all: a refusal changes nothing.
            if (q.jusqua && instant_de(*q.jusqua) <= instant_de(p.s.maintenant()))
                return "refused: the date " + texte_date(*q.jusqua) + " is not after now\n";
            for (const int i : q.voies) {
                const std::string r = met_en_pause(p, i, *q.jusqua, qui);
                if (!r.empty()) refus += (refus.empty() ? "" : "; ") + r;
            }
            break;
    }
    return refus.empty() ? "ok\n" : "refused: " + refus + "\n";
}

fins_du_tick forcages_du_tick(programme& p, const date_heure& maintenant) {
    fins_du_tick r;
    bool change = false;
    for (int i = 0; i < nb_voies; ++i) {
        forcage& f = p.g.forcages[static_cast<std::size_t>(i)];
        if (f.s == forcage::sorte::aucun || !f.jusqua ||
            instant_de(maintenant) < instant_de(*f.jusqua))
            continue;
        const bool a_la_minute = instant_de(maintenant) - instant_de(*f.jusqua) <= une_minute;
        if (f.s == forcage::sorte::pause || !a_la_minute) {
            dit(p, nom_voie(i) +
                       (f.s == forcage::sorte::pause ? ": pause over" : ": override over") +
                       ", back to its schedule");
            rejoint_le_programme(p, i, maintenant);
            continue;
        }
        // The wall switch's rule: the schedule takes over at this switching.
        dit(p, nom_voie(i) + (f.s == forcage::sorte::marche ? " on" : " off") +
                   " by hand ends at its switching; the schedule takes over");
        if (f.s == forcage::sorte::marche) {
            r.marche_finie[static_cast<std::size_t>(i)] = true;
            // A start minute keeps the device on: its stop would be wrong.
            r.arret_lance[static_cast<std::size_t>(i)] = f.fin_par_marche;
        }
        f = {};
        change = true;
    }
    if (change) note_forcages(p);
    return r;
}

bool lance_la_marche(programme& p, fins_du_tick& f, int i, int k) {
    if (en_pause(p.g, i)) {
        attente_k(p.g, k, i) = true;
        return false;
    }
    // Already on by hand: the slot is started, nothing is launched twice.
    return !f.marche_finie[static_cast<std::size_t>(i)];
}

bool lance_l_arret(programme& p, fins_du_tick& f, int i) {
    if (en_pause(p.g, i)) return false;
    f.arret_lance[static_cast<std::size_t>(i)] = true;
    return true;
}

void acheve_forcages(programme& p, const fins_du_tick& f) {
    for (int i = 0; i < nb_voies; ++i) {
        const auto ii = static_cast<std::size_t>(i);
        if (!f.marche_finie[ii]) continue;
        if (!f.arret_lance[ii]) {
            command_A(p, i);
        } else {
            note_marche(p);
        }
    }
}

std::string texte_forcages(const globales& g) {
    std::string t;
    for (int i = 0; i < nb_voies; ++i) {
        const forcage& f = g.forcages[static_cast<std::size_t>(i)];
        if (f.s == forcage::sorte::aucun) continue;
        t += "channel " + std::to_string(i + 1);
        t += f.s == forcage::sorte::pause    ? " paused"
             : f.s == forcage::sorte::marche ? " held on"
                                             : " held off";
        t += " since " + texte_date(f.depuis) + " until " +
             (f.jusqua ? texte_date(*f.jusqua) : std::string("none"));
        if (f.s != forcage::sorte::pause) t += f.fin_par_marche ? " start" : " stop";
        t += "\n";
    }
    return t;
}

bool lit_ligne_forcage(std::string_view ligne, int& i, forcage& f) {
    std::vector<std::string_view> m = mots(ligne);
    if (m.size() < 7 || m[0] != "channel") return false;
    const auto n = nombre(m[1], 1);
    if (!n || *n < 1 || *n > nb_voies) return false;
    forcage r;
    std::size_t suite = 3;
    if (m[2] == "paused") {
        r.s = forcage::sorte::pause;
    } else if (m[2] == "held" && (m[3] == "on" || m[3] == "off")) {
        r.s = m[3] == "on" ? forcage::sorte::marche : forcage::sorte::arret;
        suite = 4;
    } else {
        return false;
    }
    // since D T until (D T | none) [start|stop]
    if (m.size() < suite + 5 || m[suite] != "since" || m[suite + 3] != "until") return false;
    const auto lit_instant = [](std::string_view d, std::string_view h) {
        std::optional<date_heure> r2 = lit_date_pause(std::string(d));
        if (!r2 || h.size() != 8 || h[2] != ':' || h[5] != ':') return std::optional<date_heure>();
        const auto hh = nombre(h.substr(0, 2), 2), mm = nombre(h.substr(3, 2), 2),
                   ss = nombre(h.substr(6, 2), 2);
        if (!hh || !mm || !ss || *hh > 23 || *mm > 59 || *ss > 59)
            return std::optional<date_heure>();
        r2->secondes = *hh * 3600 + *mm * 60 + *ss;
        return r2;
    };
    const auto depuis = lit_instant(m[suite + 1], m[suite + 2]);
    if (!depuis) return false;
    r.depuis = *depuis;
    std::size_t fin = suite + 4;
    if (m[fin] == "none") {
        fin += 1;
    } else {
        if (m.size() < fin + 2) return false;
        r.jusqua = lit_instant(m[fin], m[fin + 1]);
        if (!r.jusqua) return false;
        fin += 2;
    }
    if (r.s == forcage::sorte::pause) {
        if (m.size() != fin || !r.jusqua) return false;
    } else {
        if (m.size() != fin + 1 || (m[fin] != "start" && m[fin] != "stop")) return false;
        r.fin_par_marche = m[fin] == "start";
    }
    i = *n - 1;
    f = r;
    return true;
}

void restaure_forcages(programme& p, const std::vector<std::pair<int, forcage>>& lus,
                       const std::array<bool, nb_voies>& deja_arretee) {
    if (lus.empty()) return;
    const date_heure maintenant = p.s.maintenant();
    for (const auto& [i, f] : lus) {
        const auto ii = static_cast<std::size_t>(i);
        const bool finie = f.jusqua && instant_de(*f.jusqua) <= instant_de(maintenant);
        if (!finie) {
            p.g.forcages[ii] = f;
            if (f.s != forcage::sorte::marche) toutes_en_attente(p, i);
            dit(p, p.g.fichier_etat + ": " + nom_voie(i) +
                       (f.s == forcage::sorte::pause    ? " stays paused"
                        : f.s == forcage::sorte::marche ? " stays on by hand"
                                                        : " stays off by hand") +
                       (f.jusqua ? " until " + texte_date(*f.jusqua) : std::string()));
            continue;
        }
        // Nothing is started at startup: the schedule takes over at its next start.
        dit(p, p.g.fichier_etat + ": " + nom_voie(i) +
                   (f.s == forcage::sorte::pause ? ": pause" : ": override") +
                   " ended while the program was down; its next start comes from its schedule");
        if (f.s == forcage::sorte::marche && !deja_arretee[ii] && !voie_allumee(p.g, i)) {
            verif_mois(p);
            command_A(p, i);
        }
    }
}

}  // namespace horlivet
