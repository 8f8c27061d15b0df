#include "model/horaires_du_jour.h"

#include <algorithm>
#include <array>
#include <utility>

namespace horlivet {

namespace {

using std::chrono::sys_seconds;

constexpr heure_du_jour derniere_minute = secondes_par_jour - 60;

// The sun's events of the days one day's rules ask for, each worked out once: one
// computation costs more than the whole load, and every slot side asks for the same days.
struct soleil_retenu {
    calcul_soleil soleil;
    std::array<std::pair<sys_seconds, soleil_brut>, 3> jours{};
    std::size_t nb = 0;

    soleil_brut operator()(double latitude, double longitude, sys_seconds jour) {
        for (std::size_t n = 0; n < nb; ++n) {
            if (jours[n].first == jour) return jours[n].second;
        }
        const soleil_brut b = soleil(latitude, longitude, jour);
        if (nb < jours.size()) jours[nb++] = {jour, b};
        return b;
    }
};

// A time of rule `r` today, or the fixed time when there is no sun to follow.
heure_du_jour heure_regle(const programme& p, const calcul_soleil& soleil,
                          const std::optional<regle_soleil>& r, heure_du_jour fixe,
                          const date_heure& d, bool& sans) {
    const variables_plages& v = p.g.variables;
    if (!r || !v.place || !p.s.soleil) return fixe;
    const conversion_locale& locale = p.s.locale ? p.s.locale : conversion_locale(date_de);
    const std::optional<heure_du_jour> t = heure_soleil(*r, *v.place, d, soleil, locale);
    if (!t) sans = true;
    return t.value_or(fixe);
}

}  // namespace

void retient_fixes(programme& p) {
    p.g.variables.fixes = p.h;
    p.g.variables.date = 0;
}

bool horaires_du_jour(programme& p, const date_heure& d) {
    variables_plages& v = p.g.variables;
    const int date = numero_date(d);
    if (v.date == date || !a_des_variables(v)) return false;
    v.date = date;
    const bool tire = v.date_tirage != date && p.s.aleatoire;
    if (tire) v.date_tirage = date;
    // Without a generator (a look-ahead, a replay) a day has only the draw kept for it:
    // another day's would show times that day never gets.
    const bool avec_tirage = v.date_tirage == date;
    bool a_tire = false;
    horaires h = v.fixes;
    // Within one call the place and the date stay the same.
    const calcul_soleil soleil = soleil_retenu{p.s.soleil};
    for (int k = 1; k <= nb_plages; ++k) {
        const auto ki = static_cast<std::size_t>(k - 1);
        for (int i = 0; i < nb_voies; ++i) {
            const auto ii = static_cast<std::size_t>(i);
            const regles_plage& r = regles_k(v, k, i);
            bool sans = false;
            heure_du_jour s = heure_regle(p, soleil, r.soleil_debut, h.debut[ki][ii], d, sans);
            heure_du_jour f = heure_regle(p, soleil, r.soleil_fin, h.fin[ki][ii], d, sans);
            h.sans_debut[ki][ii] = sans;
            tirage_plage& t = v.tirages[ki][ii];
            if (tire) {
                t = {};
                // Bounds that keep a same-day slot's drawn start at or before its stop.
                const int ecart = s <= f ? (f - s) / 60 : 2 * 24 * 60;
                if (r.alea_debut > 0)
                    t.debut = p.s.aleatoire(-r.alea_debut, std::min(r.alea_debut, ecart / 2));
                if (r.alea_fin > 0)
                    t.fin = p.s.aleatoire(std::max(-r.alea_fin, -(ecart - ecart / 2)), r.alea_fin);
                a_tire = a_tire || r.alea_debut > 0 || r.alea_fin > 0;
            }
            const bool meme_jour = s <= f;
            if (avec_tirage && r.alea_debut > 0)
                s = std::clamp(s + t.debut * 60, 0, derniere_minute);
            if (avec_tirage && r.alea_fin > 0) f = std::clamp(f + t.fin * 60, 0, derniere_minute);
            // A draw kept from before a change of the slot's times may not fit them.
            if (meme_jour && s > f) s = f;
            h.debut[ki][ii] = s;
            h.fin[ki][ii] = f;
        }
    }
    p.h = h;
    return a_tire;
}

void ecrit_heure(ervaline& f, int k, int i, bool debut, heure_du_jour t) {
    ecrit_position(f, debut ? H_marche(k) : H_arret(k), i, t / 3600);
    ecrit_position(f, debut ? M_marche(k) : M_arret(k), i, t / 60 % 60);
}

void montre_horaires_du_jour(programme& p) {
    const variables_plages& v = p.g.variables;
    const bool marque = marque_visible(p.fenetre);
    for (int k = 1; k <= nb_plages; ++k) {
        for (int i = 0; i < nb_voies; ++i) {
            const regles_plage& saisies = regles_saisies_k(v, k, i);
            for (const bool debut : {true, false}) {
                // A field typed into since the save keeps what was typed.
                if (!cote_variable(v.place, regles_k(v, k, i), debut) ||
                    !cote_variable(v.lieu_saisi, saisies, debut))
                    continue;
                ecrit_heure(p.fenetre, k, i, debut, debut ? debut_k(p.h, k, i) : fin_k(p.h, k, i));
            }
        }
    }
    // Today's times are no edit of the user's.
    if (!marque) cache_marque(p.fenetre);
}

namespace {

// What moves a start or stop with rules `r` at `place`, in words; "" for a fixed time.
std::string decrit(const std::optional<lieu>& place, const regles_plage& r, bool debut) {
    const std::optional<regle_soleil>& s = soleil_de(r, debut);
    const int alea = alea_de(r, debut);
    std::string t;
    if (s && place) {
        t = std::string(s->coucher ? "Suit le coucher du soleil" : "Suit le lever du soleil") +
            " (" + texte_regle_soleil(*s) + ")";
    } else if (s) {
        t = "Suivrait le soleil (" + texte_regle_soleil(*s) + ") : aucun lieu n'est défini";
    }
    if (alea > 0) {
        t += (t.empty() ? "" : " ; ") + std::string("varie de ") + std::to_string(alea) +
             " min au plus chaque jour";
    }
    return t;
}

}  // namespace

std::string raison_horaire(const programme& p, int k, int i, bool debut) {
    const variables_plages& v = p.g.variables;
    const auto ki = static_cast<std::size_t>(k - 1), ii = static_cast<std::size_t>(i);
    const regles_plage& r = regles_k(v, k, i);
    std::string t = decrit(v.place, r, debut);
    if (suit_le_soleil(v.place, r, debut) && p.h.sans_debut[ki][ii])
        t += " ; le soleil ne se lève ni ne se couche aujourd'hui : la plage ne démarre pas";
    const std::string saisie = decrit(v.lieu_saisi, regles_saisies_k(v, k, i), debut);
    if (saisie != decrit(v.place, r, debut)) {
        t += (t.empty() ? "" : "\n") + std::string("À l'enregistrement : ") +
             (saisie.empty() ? "heure fixe" : saisie);
    }
    return t;
}

}  // namespace horlivet
