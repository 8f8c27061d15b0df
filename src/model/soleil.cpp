#include "model/soleil.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <vector>

#include "model/mots.h"

namespace horlivet {

namespace {

using namespace std::chrono;

constexpr heure_du_jour derniere_minute = secondes_par_jour - 60;

// "HH:MM" or "H:MM", 00:00..23:59.
std::optional<heure_du_jour> lit_hh_mm(std::string_view t) {
    const std::size_t deux_points = t.find(':');
    if (deux_points == std::string_view::npos || deux_points == 0 || deux_points > 2 ||
        t.size() != deux_points + 3)
        return std::nullopt;
    int h = 0, m = 0;
    for (std::size_t n = 0; n < t.size(); ++n) {
        if (n == deux_points) continue;
        if (t[n] < '0' || t[n] > '9') return std::nullopt;
        (n < deux_points ? h : m) = (n < deux_points ? h : m) * 10 + (t[n] - '0');
    }
    if (h > 23 || m > 59) return std::nullopt;
    return heure_de(h, m);
}

std::string hh_mm(heure_du_jour t) {
    char texte[16];
    std::snprintf(texte, sizeof texte, "%02d:%02d", t / 3600, t / 60 % 60);
    return texte;
}

// A signed number of minutes, "+30", "-15", "30".
std::optional<int> lit_decalage_minutes(std::string_view t) {
    bool negatif = false;
    if (!t.empty() && (t.front() == '+' || t.front() == '-')) {
        negatif = t.front() == '-';
        t.remove_prefix(1);
    }
    if (t.empty() || t.size() > 4) return std::nullopt;
    int n = 0;
    for (const char c : t) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + (c - '0');
    }
    if (n > 720) return std::nullopt;
    return negatif ? -n : n;
}

template <typename R>
auto& element(R& regles, int k, int i) {
    if (k < 1 || k > nb_plages) throw std::out_of_range("slot number outside 1..4");
    return regles[static_cast<std::size_t>(k - 1)].at(static_cast<std::size_t>(i));
}

}  // namespace

std::optional<regle_soleil> lit_regle_soleil(std::string_view texte) {
    // The event and its offset may be written together ("coucher+30") or apart.
    std::string colle;
    for (const std::string_view m : mots(texte)) {
        const bool signe = !m.empty() && (m.front() == '+' || m.front() == '-');
        if (!colle.empty() && (signe || colle.back() == '+' || colle.back() == '-')) {
            colle += m;
        } else {
            colle += (colle.empty() ? "" : " ") + std::string(m);
        }
    }
    const std::vector<std::string_view> m = mots(colle);
    if (m.empty()) return std::nullopt;
    regle_soleil r;
    std::string_view evenement = m[0];
    const std::size_t signe = evenement.find_first_of("+-");
    const std::string_view nom = evenement.substr(0, signe);
    if (nom == "coucher") {
        r.coucher = true;
    } else if (nom != "lever") {
        return std::nullopt;
    }
    if (signe != std::string_view::npos) {
        const std::optional<int> d = lit_decalage_minutes(evenement.substr(signe));
        if (!d) return std::nullopt;
        r.decalage = *d;
    }
    for (std::size_t n = 1; n < m.size(); n += 2) {
        if (n + 1 >= m.size()) return std::nullopt;
        const std::optional<heure_du_jour> t = lit_hh_mm(m[n + 1]);
        if (!t) return std::nullopt;
        std::optional<heure_du_jour>* borne = nullptr;
        if (m[n] == "apres" || m[n] == "après") borne = &r.apres;
        if (m[n] == "avant") borne = &r.avant;
        if (!borne || *borne) return std::nullopt;
        *borne = t;
    }
    return r;
}

std::string texte_regle_soleil(const regle_soleil& r) {
    std::string t = r.coucher ? "coucher" : "lever";
    if (r.decalage != 0) t += (r.decalage > 0 ? "+" : "") + std::to_string(r.decalage);
    if (r.apres) t += " apres " + hh_mm(*r.apres);
    if (r.avant) t += " avant " + hh_mm(*r.avant);
    return t;
}

std::optional<heure_du_jour> heure_soleil(const regle_soleil& r, const lieu& l,
                                          const date_heure& jour, const calcul_soleil& soleil,
                                          const conversion_locale& locale) {
    date_heure minuit = jour;
    minuit.secondes = 0;
    // The local midnight read as UTC: the zone is within a day of it, so the events from
    // a day before to a day after hold the one of this local date.
    const sys_seconds base = instant_de(minuit);
    int statut = 0;
    std::optional<heure_du_jour> t;
    for (int n = -1; n <= 1 && !t; ++n) {
        const soleil_brut b = soleil(l.latitude, l.longitude, base + days(n));
        if (b.statut != 0) {
            if (n == 0) statut = b.statut;
            continue;
        }
        const date_heure e = locale(r.coucher ? b.coucher : b.lever);
        if (e.annee == jour.annee && e.mois == jour.mois && e.jour == jour.jour) t = e.secondes;
    }
    if (!t) {
        // In the dark all day the evening came as early as it may and the morning as late;
        // in the light, the reverse.
        const bool tot = (statut < 0) == r.coucher;
        const std::optional<heure_du_jour>& d1 = tot ? r.apres : r.avant;
        const std::optional<heure_du_jour>& d2 = tot ? r.avant : r.apres;
        return d1 ? d1 : d2;
    }
    heure_du_jour h = (*t + 30) / 60 * 60 + r.decalage * 60;
    h = std::clamp(h, 0, derniere_minute);
    if (r.apres && h < *r.apres) h = *r.apres;
    if (r.avant && h > *r.avant) h = *r.avant;
    return h;
}

regles_plage& regles_k(variables_plages& v, int k, int i) { return element(v.regles, k, i); }
const regles_plage& regles_k(const variables_plages& v, int k, int i) {
    return element(v.regles, k, i);
}
regles_plage& regles_saisies_k(variables_plages& v, int k, int i) {
    return element(v.regles_saisies, k, i);
}
const regles_plage& regles_saisies_k(const variables_plages& v, int k, int i) {
    return element(v.regles_saisies, k, i);
}

std::optional<regle_soleil>& soleil_de(regles_plage& r, bool debut) {
    return debut ? r.soleil_debut : r.soleil_fin;
}
const std::optional<regle_soleil>& soleil_de(const regles_plage& r, bool debut) {
    return debut ? r.soleil_debut : r.soleil_fin;
}
int& alea_de(regles_plage& r, bool debut) { return debut ? r.alea_debut : r.alea_fin; }
int alea_de(const regles_plage& r, bool debut) { return debut ? r.alea_debut : r.alea_fin; }

bool suit_le_soleil(const std::optional<lieu>& place, const regles_plage& r, bool debut) {
    return place && soleil_de(r, debut);
}
bool varie_sans_soleil(const std::optional<lieu>& place, const regles_plage& r, bool debut) {
    return alea_de(r, debut) > 0 && !suit_le_soleil(place, r, debut);
}
bool cote_variable(const std::optional<lieu>& place, const regles_plage& r, bool debut) {
    return suit_le_soleil(place, r, debut) || alea_de(r, debut) > 0;
}

bool plage_variable(const variables_plages& v, int k, int i) {
    const regles_plage& r = regles_k(v, k, i);
    return cote_variable(v.place, r, true) || cote_variable(v.place, r, false);
}

bool a_des_variables(const variables_plages& v) {
    for (int k = 1; k <= nb_plages; ++k) {
        for (int i = 0; i < nb_voies; ++i) {
            if (plage_variable(v, k, i)) return true;
        }
    }
    return false;
}

int numero_date(const date_heure& d) { return d.annee * 10000 + d.mois * 100 + d.jour; }

}  // namespace horlivet
