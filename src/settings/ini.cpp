#include "settings/ini.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

#include "model/horaires_du_jour.h"
#include "platform/profil.h"

namespace horlivet {

namespace {

// Per key of a channel, in the order the save writes them: prefix, default, and the
// size announced to the reader (at most size - 1 characters come back).
struct cle_ini {
    std::string_view prefixe;
    const char* defaut;
    std::size_t taille;
};

// Indexed like the per-channel champs, which follow the same order.
constexpr std::array<cle_ini, nb_champs_voie> cles = {{
    {"nom_", "??0", 64},
    {"heure_deb_1_", "00", 64},
    {"heure_deb_2_", "01", 64},
    {"heure_deb_3_", "01", 64},
    {"heure_deb_4_", "01", 64},
    {"heure_fin_1_", "00", 64},
    {"heure_fin_2_", "00", 64},
    {"heure_fin_3_", "00", 64},
    {"heure_fin_4_", "00", 64},
    {"minute_deb_1_", "00", 64},
    {"minute_deb_2_", "00", 64},
    {"minute_deb_3_", "00", 64},
    {"minute_deb_4_", "00", 64},
    {"minute_fin_1_", "00", 64},
    {"minute_fin_2_", "00", 64},
    {"minute_fin_3_", "00", 64},
    {"minute_fin_4_", "00", 64},
    {"lundi_", "0", 64},
    {"mardi_", "0", 64},
    {"mercredi_", "0", 64},
    {"jeudi_", "0", 64},
    {"vendredi_", "0", 64},
    {"samedi_", "0", 64},
    {"dimanche_", "0", 64},
    {"valid_", "off", 64},
    {"valid_2_", "off", 64},
    {"valid_3_", "off", 64},
    {"valid_4_", "off", 64},
    {"commande_marche_", "null.bat", 128},
    {"commande_arret_", "null.bat", 128},
}};

using tampon_nom = std::array<char, 32>;

// A key's name, the prefix and the channel's number, built in `tampon`: the load and the
// save ask for 240 names, and an allocation each showed in their cost.
std::string_view nom_cle(const cle_ini& cle, int i, tampon_nom& tampon) {
    cle.prefixe.copy(tampon.data(), cle.prefixe.size());
    char* const fin =
        std::to_chars(tampon.data() + cle.prefixe.size(), tampon.data() + tampon.size(), i).ptr;
    return {tampon.data(), static_cast<std::size_t>(fin - tampon.data())};
}

void charge_champ(programme& p, const fichier_profil& f, champ c, int i) {
    const cle_ini& cle = cles[static_cast<std::size_t>(c)];
    tampon_nom tampon;
    const std::string valeur =
        coupe_nul(lit_profil(f, section_ini, nom_cle(cle, i, tampon), cle.defaut, cle.taille));
    if (est_combo(c)) {
        const int maximum = est_heure(c) ? 23 : 59;
        ecrit_position(p.fenetre, c, i,
                       lit_position(valeur, maximum, lit_position(cle.defaut, maximum, 0)));
    } else if (est_case(c)) {
        ecrit_coche(p.fenetre, c, i, valeur == "on");
    } else {
        ecrit_texte(p.fenetre, c, i, valeur);
    }
}

// A text on one line: a line break would end the key's line in the file. Each break
// (CR LF, LF or CR) becomes one space.
std::string sur_une_ligne(std::string_view texte) {
    std::string ligne;
    ligne.reserve(texte.size());
    for (std::size_t n = 0; n < texte.size(); ++n) {
        if (texte[n] == '\r' && n + 1 < texte.size() && texte[n + 1] == '\n') ++n;
        ligne += texte[n] == '\r' || texte[n] == '\n' ? ' ' : texte[n];
    }
    return ligne;
}

// The reader trims blanks and one pair of enclosing quotes from a value: a text it would
// change goes inside a pair of its own, so that the load gives back what was saved.
std::string protege(std::string texte) {
    const bool entre_guillemets = texte.size() >= 2 &&
                                  (texte.front() == '"' || texte.front() == '\'') &&
                                  texte.back() == texte.front();
    if (texte.empty() ||
        !(est_blanc_profil(texte.front()) || est_blanc_profil(texte.back()) || entre_guillemets))
        return texte;
    return '"' + texte + '"';
}

std::string valeur_a_ecrire(const ervaline& f, champ c, int i) {
    if (est_combo(c)) return std::to_string(position(f, c, i));
    if (est_case(c)) return coche(f, c, i) ? "on" : "off";
    return protege(sur_une_ligne(texte(f, c, i)));
}

// The keys of the slots that follow the sun or vary, in a section of our own so that
// [ervaline] keeps its 240 keys.
constexpr const char* section_variables = "horlivet";

// "soleil_deb_1_0": the prefix, then slot k and channel i as the fixed keys name them.
std::string cle_variable(const char* prefixe, int k, int i) {
    return std::string(prefixe) + std::to_string(k) + "_" + std::to_string(i);
}

// A decimal number of degrees within [-limite, limite].
std::optional<double> lit_degres(std::string_view texte, double limite) {
    double valeur = 0;
    const auto lu = std::from_chars(texte.data(), texte.data() + texte.size(), valeur);
    if (lu.ec != std::errc() || lu.ptr != texte.data() + texte.size() ||
        !(valeur >= -limite && valeur <= limite))
        return std::nullopt;
    return valeur;
}

// The place and each slot's rules from [horlivet]; a value that does not read is said
// once, and its slot keeps its fixed time.
void charge_variables(programme& p, const fichier_profil& f) {
    variables_plages& v = p.g.variables;
    v = variables_plages{};
    const auto lit = [&f](const std::string& cle) {
        return coupe_nul(lit_profil(f, section_variables, cle, "", 128));
    };
    const auto faute = [&p](const std::string& cle, const std::string& valeur,
                            const char* attendu) {
        if (p.s.signale)
            p.s.signale(p.g.fichier_ini + ": [horlivet] " + cle + "=" + valeur + " is not " +
                        attendu + "; the slot keeps its fixed time");
    };
    const std::string latitude = lit("latitude"), longitude = lit("longitude");
    if (!latitude.empty() || !longitude.empty()) {
        const auto la = lit_degres(latitude, 90), lo = lit_degres(longitude, 180);
        if (la && lo) {
            v.place = lieu{*la, *lo};
        } else {
            faute(la ? "longitude" : "latitude", la ? longitude : latitude,
                  "a number of degrees (latitude -90..90, longitude -180..180)");
        }
    }
    for (int i = 0; i < nb_voies; ++i) {
        for (int k = 1; k <= nb_plages; ++k) {
            regles_plage& r = regles_k(v, k, i);
            for (const bool debut : {true, false}) {
                const std::string cle = cle_variable(debut ? "soleil_deb_" : "soleil_fin_", k, i);
                const std::string valeur = lit(cle);
                if (!valeur.empty()) {
                    const std::optional<regle_soleil> regle = lit_regle_soleil(valeur);
                    if (!regle) faute(cle, valeur, "a sun rule such as coucher+30 apres 17:00");
                    soleil_de(r, debut) = regle;
                }
                const std::string cle_alea =
                    cle_variable(debut ? "aleatoire_deb_" : "aleatoire_fin_", k, i);
                const std::string alea = lit(cle_alea);
                if (alea.empty()) continue;
                const int minutes = lit_position(alea, 720, -1);
                if (minutes < 0 || alea.find_first_not_of("0123456789 ") != std::string::npos) {
                    faute(cle_alea, alea, "a number of minutes 0..720");
                    continue;
                }
                alea_de(r, debut) = minutes;
            }
        }
    }
    v.lieu_saisi = v.place;
    v.regles_saisies = v.regles;
}

// Writes [horlivet]: the place and each slot's rules; a key whose rule is gone is
// emptied, and one never written is not added.
void ecrit_variables(const programme& p, fichier_profil& f) {
    const variables_plages& v = p.g.variables;
    const auto ecrit = [&f](const std::string& cle, const std::string& valeur) {
        if (valeur.empty() && lit_profil(f, section_variables, cle, "\x01", 8) == "\x01") return;
        ecrit_profil(f, section_variables, cle, valeur);
    };
    const auto degres = [](double d) {
        char texte[32];
        std::snprintf(texte, sizeof texte, "%.6f", d);
        return std::string(texte);
    };
    ecrit("latitude", v.place ? degres(v.place->latitude) : "");
    ecrit("longitude", v.place ? degres(v.place->longitude) : "");
    for (int i = 0; i < nb_voies; ++i) {
        for (int k = 1; k <= nb_plages; ++k) {
            const regles_plage& r = regles_k(v, k, i);
            const auto regle = [](const std::optional<regle_soleil>& s) {
                return s ? texte_regle_soleil(*s) : std::string();
            };
            const auto minutes = [](int n) { return n > 0 ? std::to_string(n) : std::string(); };
            ecrit(cle_variable("soleil_deb_", k, i), regle(r.soleil_debut));
            ecrit(cle_variable("soleil_fin_", k, i), regle(r.soleil_fin));
            ecrit(cle_variable("aleatoire_deb_", k, i), minutes(r.alea_debut));
            ecrit(cle_variable("aleatoire_fin_", k, i), minutes(r.alea_fin));
        }
    }
}

// The value the save writes for a time combo, which shows today's time (a start or stop
// that follows the sun thus keeps today's worked-out time in its fixed keys, for a tool
// that knows nothing of the sun); one that only varies keeps the time it is drawn around.
std::string valeur_combo_du_jour(const programme& p, champ c, int i) {
    const variables_plages& v = p.g.variables;
    const int k = plage_de(c);
    const bool debut = est_debut(c);
    if (k == 0 || !varie_sans_soleil(v.place, regles_k(v, k, i), debut))
        return valeur_a_ecrire(p.fenetre, c, i);
    const heure_du_jour t = debut ? debut_k(v.fixes, k, i) : fin_k(v.fixes, k, i);
    return std::to_string(est_heure(c) ? t / 3600 : t / 60 % 60);
}

// The combos' times as the new fixed ones, except where a field showed a drawn time that
// still varies: that draw must not become the time the next ones are drawn around.
void rafraichit_fixes(programme& p, const variables_plages& avant) {
    const variables_plages& v = p.g.variables;
    for (int i = 0; i < nb_voies; ++i) rafraichit_horaires(p.h, p.fenetre, i);
    for (int k = 1; k <= nb_plages; ++k) {
        for (int i = 0; i < nb_voies; ++i) {
            const auto ki = static_cast<std::size_t>(k - 1), ii = static_cast<std::size_t>(i);
            for (const bool debut : {true, false}) {
                if (alea_de(regles_k(v, k, i), debut) > 0 &&
                    varie_sans_soleil(avant.place, regles_k(avant, k, i), debut))
                    (debut ? p.h.debut : p.h.fin)[ki][ii] =
                        (debut ? avant.fixes.debut : avant.fixes.fin)[ki][ii];
            }
        }
    }
}

// Today's times once the fixed ones are refreshed; the clock is read only when some slot
// follows the sun or varies.
void horaires_apres_chargement(programme& p) {
    retient_fixes(p);
    if (a_des_variables(p.g.variables) && p.s.maintenant) horaires_du_jour(p, p.s.maintenant());
}

}  // namespace

std::string coupe_nul(std::string_view texte) {
    return std::string(texte.substr(0, texte.find('\0')));
}

int lit_position(std::string_view texte, int maximum, int defaut) {
    std::size_t n = 0;
    while (n < texte.size() && (texte[n] == ' ' || texte[n] == '\t')) ++n;
    bool negatif = false;
    if (n < texte.size() && (texte[n] == '+' || texte[n] == '-')) negatif = texte[n++] == '-';
    const std::size_t chiffres = n;
    while (n < texte.size() && texte[n] >= '0' && texte[n] <= '9') ++n;
    if (n < texte.size() && texte[n] == '.') {
        ++n;
        while (n < texte.size() && texte[n] >= '0' && texte[n] <= '9') ++n;
    }
    if (n == chiffres || (n == chiffres + 1 && texte[chiffres] == '.')) return 0;
    // from_chars reads the '.' in every locale; strtod would stop at it under a locale
    // whose decimal separator is a comma, and read "9.5" as 9.
    double valeur = 0;
    const auto lu = std::from_chars(texte.data() + chiffres, texte.data() + n, valeur,
                                    std::chars_format::fixed);
    if (lu.ec != std::errc()) return defaut;
    // A half goes to the even neighbour (8.5 gives 8, 9.5 gives 10), whatever the
    // floating-point rounding mode.
    const double bas = std::floor(valeur);
    const double reste = valeur - bas;
    double arrondi = reste > 0.5 || (reste == 0.5 && std::fmod(bas, 2) != 0) ? bas + 1 : bas;
    if (negatif) arrondi = -arrondi;
    if (!(arrondi >= 0 && arrondi <= maximum)) return defaut;
    return static_cast<int>(arrondi);
}

void lecture_ini(programme& p) {
    const fichier_profil f = charge_profil(p.g.fichier_ini);
    for (int i = 0; i < nb_voies; ++i) {
        for (int c = 0; c < nb_champs_voie; ++c) {
            charge_champ(p, f, static_cast<champ>(c), i);
            if (static_cast<champ>(c) == champ::dimanche) rafraichit_horaires(p.h, p.fenetre, i);
        }
    }
    charge_variables(p, f);
    horaires_apres_chargement(p);
}

std::string ecriture_ini(programme& p) {
    fichier_profil f = charge_profil(p.g.fichier_ini);
    // The times and the slot menu's choices come in force together, today's worked out
    // from them before the file takes them.
    variables_plages& v = p.g.variables;
    const variables_plages avant = v;
    v.place = v.lieu_saisi;
    v.regles = v.regles_saisies;
    // A variation set or changed shows from today: the day is drawn again.
    for (int k = 1; k <= nb_plages; ++k) {
        for (int i = 0; i < nb_voies; ++i) {
            const regles_plage &r = regles_k(v, k, i), &r_avant = regles_k(avant, k, i);
            if (r.alea_debut != r_avant.alea_debut || r.alea_fin != r_avant.alea_fin)
                v.date_tirage = 0;
        }
    }
    rafraichit_fixes(p, avant);
    horaires_apres_chargement(p);
    montre_horaires_du_jour(p);
    for (int i = 0; i < nb_voies; ++i) {
        for (int c = 0; c < nb_champs_voie; ++c) {
            const cle_ini& cle = cles[static_cast<std::size_t>(c)];
            tampon_nom tampon;
            const champ ch = static_cast<champ>(c);
            ecrit_profil(
                f, section_ini, nom_cle(cle, i, tampon),
                est_combo(ch) ? valeur_combo_du_jour(p, ch, i) : valeur_a_ecrire(p.fenetre, ch, i));
        }
    }
    ecrit_variables(p, f);
    const std::string erreur = enregistre_profil(f, p.g.fichier_ini);
    const std::vector<std::string> en_utf8 = ecrites_en_utf8(f);
    if (erreur.empty() && !en_utf8.empty() && p.s.signale) {
        std::string cles;
        for (const std::string& cle : en_utf8) cles += (cles.empty() ? "" : ", ") + cle;
        p.s.signale(p.g.fichier_ini + ": " + cles +
                    " saved in UTF-8 in this Windows-1252 file, as Windows-1252 cannot hold "
                    "the value typed so that it reads back; the lines changed after it are "
                    "UTF-8 too, the others keep their bytes");
    }
    return erreur;
}

}  // namespace horlivet
