#pragma once

// Fakes for the platform services: a clock that a test moves by seconds and days, a
// launcher, a journal and whole files that record, message boxes and dialogs that record.

#include <array>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "model/programme.h"
#include "scheduler/tick.h"
#include "window/demarrage.h"
#include "window/edition.h"

namespace horlivet::test {

using namespace std::chrono;

struct lancement {
    std::string fichier;
    std::string dossier;
    sys_seconds quand;
};

struct faux_monde {
    // A local time, as the program sees it; a real instant (UTC) when `zone` is set.
    sys_seconds maintenant{};
    // The local time at a real instant, with its offset from UTC; empty: no offset known.
    conversion_locale zone;
    int code_lancement = 33;
    std::vector<lancement> lancements;
    std::vector<std::pair<std::string, std::string>> lignes;  // path, line
    std::map<std::string, std::string> fichiers;  // path, bytes: files read and replaced whole
    std::vector<std::string> signalements;
    std::vector<std::pair<std::string, std::string>> messages;  // caption, text
    int traitements = 0;
    int lectures_horloge = 0;
};

inline sys_seconds a(year_month_day jour, int heure, int minute, int seconde = 0) {
    return sys_days(jour) + hours(heure) + minutes(minute) + seconds(seconde);
}

inline constexpr year_month_day lundi_7{2026y, December, 7d};  // a Monday

// `jour` days after Monday 7 at hh:mm:ss.
inline sys_seconds le(int jour, int h, int mn, int s = 0) {
    return a(lundi_7, h, mn, s) + days(jour);
}

// The launches as "file@day hh:mm:ss", day 0 the Monday 7.
inline std::vector<std::string> lances(const faux_monde& m) {
    std::vector<std::string> r;
    for (const auto& l : m.lancements) {
        const long long t = (l.quand - sys_days(lundi_7)).count();
        char texte[64];
        std::snprintf(texte, sizeof texte, "%s@%lld %02lld:%02lld:%02lld", l.fichier.c_str(),
                      t / 86400, t / 3600 % 24, t / 60 % 60, t % 60);
        r.emplace_back(texte);
    }
    return r;
}

inline services faux_services(faux_monde& m) {
    services s;
    s.maintenant = [&m] {
        ++m.lectures_horloge;
        return m.zone ? m.zone(m.maintenant) : date_de(m.maintenant);
    };
    s.locale = [&m](sys_seconds t) { return m.zone ? m.zone(t) : date_de(t); };
    s.lance = [&m](const std::string& fichier, const std::string& dossier) {
        m.lancements.push_back({fichier, dossier, m.maintenant});
        return m.code_lancement;
    };
    s.ajoute_ligne = [&m](const std::string& chemin, std::string_view ligne) {
        m.lignes.emplace_back(chemin, std::string(ligne));
        return std::string();
    };
    s.lit_fichier = [&m](const std::string& chemin, std::size_t taille_max) {
        const auto f = m.fichiers.find(chemin);
        if (f == m.fichiers.end()) return contenu_fichier{"", "No such file or directory", true};
        if (f->second.size() > taille_max) return contenu_fichier{"", "too large", false};
        return contenu_fichier{f->second, "", false};
    };
    s.remplace_fichier = [&m](const std::string& chemin, std::string_view texte) {
        m.fichiers[chemin] = texte;
        return std::string();
    };
    s.date_longue = [](const date_heure& d) {
        return std::to_string(d.jour) + "/" + std::to_string(d.mois) + "/" +
               std::to_string(d.annee);
    };
    s.heure_longue = [](const date_heure& d) {
        char texte[16];
        std::snprintf(texte, sizeof texte, "%02d:%02d:%02d", d.secondes / 3600,
                      d.secondes / 60 % 60, d.secondes % 60);
        return std::string(texte);
    };
    s.message = [&m](const std::string& titre, const std::string& texte) {
        m.messages.emplace_back(titre, texte);
    };
    s.choisit_fichier = [](const demande_fichier&) { return std::string(); };
    s.traite_evenements = [&m] { ++m.traitements; };
    s.signale = [&m](const std::string& texte) { m.signalements.push_back(texte); };
    s.termine = [](int) {};
    return s;
}

// A program as startup leaves it, with the default schedule, without reading a file:
// lists filled, flags waiting, handlers routed, the program folder /horlivet/.
inline void prepare(programme& p, faux_monde& m) {
    p.s = faux_services(m);
    route_handlers(p);
    fixe_dossier_programme(p.g, "/horlivet");
    remplit_listes(p.fenetre);
    for (auto& plage : p.g.attente) plage.fill(true);
    p.g.ticks_actifs = true;
}

// A program prepared on a fake world, for a test that needs nothing else.
struct banc_faux {
    programme p;
    faux_monde m;
    banc_faux() { prepare(p, m); }
    banc_faux(const banc_faux&) = delete;
    banc_faux& operator=(const banc_faux&) = delete;
};

// Names channel i's commands "M<i>" and "A<i>": a launch then tells its channel and kind.
inline void commandes_nommees(programme& p) {
    for (int i = 0; i < nb_voies; ++i) {
        ecrit_texte(p.fenetre, champ::Commande_marche, i, "M" + std::to_string(i));
        ecrit_texte(p.fenetre, champ::commande_arret, i, "A" + std::to_string(i));
    }
}

// Ticks every 20 s from `debut` (included) to `fin` (excluded).
inline void simule(programme& p, faux_monde& m, sys_seconds debut, sys_seconds fin) {
    for (m.maintenant = debut; m.maintenant < fin; m.maintenant += 20s) Timer1_Timer(p);
}

// Sets slot k of channel i from hh:mm to hh:mm, enabled, with horaires refreshed as a
// save would.
inline void plage(programme& p, int i, int k, int h1, int m1, int h2, int m2, bool active = true) {
    ecrit_position(p.fenetre, H_marche(k), i, h1);
    ecrit_position(p.fenetre, M_marche(k), i, m1);
    ecrit_position(p.fenetre, H_arret(k), i, h2);
    ecrit_position(p.fenetre, M_arret(k), i, m2);
    ecrit_coche(p.fenetre, valid_k(k), i, active);
    rafraichit_horaires(p.h, p.fenetre, i);
}

// One channel's days and slots {k, h1, m1, h2, m2, enabled}.
struct horaire {
    int voie;
    std::vector<int> jours;
    std::vector<std::array<int, 6>> plages;
    void operator()(programme& p) const {
        for (int j : jours) ecrit_coche(p.fenetre, jour(j), voie, true);
        for (const auto& s : plages) plage(p, voie, s[0], s[1], s[2], s[3], s[4], s[5] != 0);
    }
};

}  // namespace horlivet::test
