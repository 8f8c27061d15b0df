#include "plan/graphique.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "plan/plan.h"
#include "settings/ini.h"

namespace horlivet {

namespace {

constexpr int semaine = nb_jours * secondes_par_jour;

// The layout, in pixels.
constexpr double marge = 16;
constexpr double gauche = 220;  // the channel labels
constexpr double largeur_jour = 156;
constexpr double haut_grille = 92;
constexpr double hauteur_voie = 60;
constexpr double hauteur_barre = 10;
constexpr double pas_barre = 12;  // one lane per slot, so overlapping slots stay apart
constexpr double largeur_totale = gauche + nb_jours * largeur_jour + marge;
constexpr double bas_grille = haut_grille + nb_voies * hauteur_voie;

// One colour per slot number, told apart also by colour-blind readers.
constexpr std::array<const char*, nb_plages> couleurs = {"#1f5fa8", "#e07b00", "#2a9d4b",
                                                         "#9b3fb5"};

const char* couleur_plage(int k) { return couleurs[static_cast<std::size_t>(k - 1)]; }

// A bar that does not run: a light fill and a dashed outline of the slot's colour.
std::string style_faible(const std::string& couleur) {
    return "fill=\"" + couleur + "\" fill-opacity=\"0.2\" stroke=\"" + couleur +
           "\" stroke-opacity=\"0.6\" stroke-dasharray=\"3 2\"";
}

// The slot times of a file without keys, from the settings reader itself.
horaires horaires_par_defaut() {
    programme p;
    p.s.message = [](const std::string&, const std::string&) {};
    remplit_listes(p.fenetre);
    p.g.fichier_ini.clear();  // no file: every key takes its default
    lecture_ini(p);
    return p.h;
}

// A disabled slot still at the reader's default times was never set: drawing it would
// only hide the slots that were.
bool jamais_reglee(const programme& p, int k, int i) {
    static const horaires defaut = horaires_par_defaut();
    return debut_k(p.h, k, i) == debut_k(defaut, k, i) && fin_k(p.h, k, i) == fin_k(defaut, k, i);
}

bool jour_coche(const programme& p, int d, int i) { return coche(p.fenetre, jour(d), i); }

// The slot times of day d (0 Monday).
const horaires& du_jour(const programme& p, const std::optional<horaires_semaine>& semaine, int d) {
    return semaine ? (*semaine)[static_cast<std::size_t>(d % nb_jours)] : p.h;
}

bool sans_debut(const horaires& h, int k, int i) {
    return h.sans_debut[static_cast<std::size_t>(k - 1)][static_cast<std::size_t>(i)];
}

std::string nombre(double x) {
    char texte[32];
    std::snprintf(texte, sizeof texte, "%.1f", x);
    return texte;
}

// A name as XML text: markup characters escaped, control characters dropped.
std::string echappe(const std::string& texte) {
    std::string r;
    for (char c : texte) {
        switch (c) {
            case '&':
                r += "&amp;";
                break;
            case '<':
                r += "&lt;";
                break;
            case '>':
                r += "&gt;";
                break;
            case '"':
                r += "&quot;";
                break;
            case '\'':
                r += "&apos;";
                break;
            default:
                if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') r += c;
        }
    }
    return r;
}

// At most `n` characters of UTF-8 text, with an ellipsis when cut.
std::string abrege(const std::string& texte, std::size_t n) {
    std::size_t caracteres = 0;
    for (std::size_t o = 0; o < texte.size(); ++o) {
        if ((static_cast<unsigned char>(texte[o]) & 0xC0) == 0x80) continue;
        if (++caracteres > n) return texte.substr(0, o) + "…";
    }
    return texte;
}

double x_de(int secondes_semaine) {
    return gauche + largeur_jour * secondes_semaine / static_cast<double>(secondes_par_jour);
}

double y_voie(int i) { return haut_grille + i * hauteur_voie; }

std::string rect(double x, double y, double l, double h, const std::string& attributs) {
    return "<rect x=\"" + nombre(x) + "\" y=\"" + nombre(y) + "\" width=\"" + nombre(l) +
           "\" height=\"" + nombre(h) + "\" " + attributs + "/>";
}

std::string ligne(double x1, double y1, double x2, double y2, const std::string& attributs) {
    return "<line x1=\"" + nombre(x1) + "\" y1=\"" + nombre(y1) + "\" x2=\"" + nombre(x2) +
           "\" y2=\"" + nombre(y2) + "\" " + attributs + "/>";
}

std::string texte_svg(double x, double y, const std::string& attributs, const std::string& t) {
    return "<text x=\"" + nombre(x) + "\" y=\"" + nombre(y) + "\" " + attributs + ">" + t +
           "</text>";
}

// "Mon 22:00" for a time counted from Monday's midnight, any number of weeks on.
std::string moment(int secondes_semaine) {
    const int s = secondes_semaine % semaine;
    return std::string(nom_jour(s / secondes_par_jour)) + " " + texte_heure(s % secondes_par_jour);
}

// One run: its bar, cut in two where it passes Sunday's end and goes on from Monday.
void ecrit_occurrence(std::string& svg, const programme& p, const occurrence& o, bool active) {
    const int a = o.jour * secondes_par_jour + o.debut;
    const int b = o.jour * secondes_par_jour + o.fin;
    // A faint bar is thinner than a run, which hides it where both fall.
    const double y = y_voie(o.voie) + 8 + (o.plage - 1) * pas_barre + (active ? 0 : 2);
    const double hauteur = active ? hauteur_barre : hauteur_barre - 4;
    const std::string couleur = couleur_plage(o.plage);
    svg += "<g class=\"" + std::string(active ? "occurrence" : "inactive") + "\" data-voie=\"" +
           std::to_string(o.voie + 1) + "\" data-plage=\"" + std::to_string(o.plage) + "\">";
    svg += "<title>" + echappe(texte(p.fenetre, champ::nom, o.voie)) + ", slot " +
           std::to_string(o.plage) + ": " + moment(a) + " → " + moment(b) +
           (active ? "" : " (does not run)") + "</title>";
    const std::string style = active ? "fill=\"" + couleur + "\"" : style_faible(couleur);
    std::vector<std::pair<int, int>> morceaux;
    if (b <= semaine) {
        morceaux.emplace_back(a, b);
    } else {
        morceaux.emplace_back(a, semaine);
        morceaux.emplace_back(0, b - semaine);
    }
    for (const auto& [de, a_] : morceaux) {
        // A start and stop in the same tick still shows, as a thin mark.
        const double largeur = std::max(3.0, x_de(a_) - x_de(de));
        svg += rect(x_de(de), y, largeur, hauteur, "rx=\"2\" " + style);
    }
    svg += "</g>\n";
}

void ecrit_grille(std::string& svg, const programme& p) {
    // Unticked days of a channel have a grey background.
    for (int i = 0; i < nb_voies; ++i) {
        if (i % 2 == 1) {
            svg += rect(marge, y_voie(i), largeur_totale - 2 * marge, hauteur_voie,
                        "fill=\"#f7f9fc\"") +
                   "\n";
        }
        for (int d = 0; d < nb_jours; ++d) {
            if (jour_coche(p, d, i)) continue;
            svg += rect(gauche + d * largeur_jour, y_voie(i), largeur_jour, hauteur_voie,
                        "fill=\"#e4e4e4\"") +
                   "\n";
        }
    }
    for (int d = 0; d < nb_jours; ++d) {
        const double x = gauche + d * largeur_jour;
        svg +=
            texte_svg(x + largeur_jour / 2, haut_grille - 30,
                      "text-anchor=\"middle\" font-weight=\"bold\" font-size=\"15\"", nom_jour(d)) +
            "\n";
        for (int h = 0; h < 24; ++h) {
            const double xh = x + largeur_jour * h / 24;
            const bool six = h % 6 == 0;
            if (h > 0) {
                svg += ligne(xh, haut_grille, xh, bas_grille,
                             six ? "stroke=\"#b8b8b8\"" : "stroke=\"#e6e6e6\"") +
                       "\n";
            }
            if (six) {
                svg += texte_svg(xh + 2, haut_grille - 8, "font-size=\"10\" fill=\"#666\"",
                                 std::to_string(h) + "h") +
                       "\n";
            }
        }
    }
    for (int d = 0; d <= nb_jours; ++d) {
        const double x = gauche + d * largeur_jour;
        svg += ligne(x, haut_grille - 44, x, bas_grille, "stroke=\"#555\" stroke-width=\"1.5\"") +
               "\n";
    }
    for (int i = 0; i <= nb_voies; ++i) {
        svg += ligne(marge, y_voie(i), largeur_totale - marge, y_voie(i), "stroke=\"#999\"") + "\n";
    }
}

void ecrit_etiquettes(std::string& svg, const programme& p) {
    for (int i = 0; i < nb_voies; ++i) {
        const double y = y_voie(i);
        svg += texte_svg(marge + 4, y + 24, "font-size=\"18\" font-weight=\"bold\"",
                         std::to_string(i + 1)) +
               "\n";
        svg += texte_svg(marge + 26, y + 23, "font-size=\"14\"",
                         echappe(abrege(texte(p.fenetre, champ::nom, i), 22))) +
               "\n";
        // The enabled slots, two to a line so that four fit beside the chart.
        std::array<std::string, 2> lignes;
        int n = 0;
        for (int k = 1; k <= nb_plages; ++k) {
            if (!coche(p.fenetre, valid_k(k), i)) continue;
            std::string& l = lignes[static_cast<std::size_t>(n++ / 2)];
            l += (l.empty() ? "" : "  ·  ") + std::to_string(k) + ": " +
                 texte_heure(debut_k(p.h, k, i)) + "–" + texte_heure(fin_k(p.h, k, i));
        }
        if (n == 0) lignes[0] = "no slot enabled";
        for (std::size_t l = 0; l < lignes.size(); ++l) {
            svg += texte_svg(marge + 26, y + 39 + 12 * static_cast<double>(l),
                             "font-size=\"10\" fill=\"#444\"", lignes[l]) +
                   "\n";
        }
    }
}

void ecrit_legende(std::string& svg, bool variables) {
    double x = gauche;
    const double y = bas_grille + 22;
    for (int k = 1; k <= nb_plages; ++k) {
        svg += rect(x, y - 9, 26, hauteur_barre,
                    "rx=\"2\" fill=\"" + std::string(couleur_plage(k)) + "\"");
        svg += texte_svg(x + 32, y, "font-size=\"12\"", "slot " + std::to_string(k)) + "\n";
        x += 92;
    }
    svg += rect(x, y - 7, 26, hauteur_barre - 4, "rx=\"2\" " + style_faible(couleur_plage(1)));
    svg +=
        texte_svg(x + 32, y, "font-size=\"12\"", "does not run (slot disabled or day unticked)") +
        "\n";
    x += 310;
    svg += rect(x, y - 11, 26, 14, "fill=\"#e4e4e4\" stroke=\"#999\"");
    svg += texte_svg(x + 32, y, "font-size=\"12\"", "day not ticked") + "\n";
    svg += texte_svg(gauche, y + 22, "font-size=\"12\" fill=\"#444\"",
                     "A bar runs from the start launch to the stop launch. A slot that stops "
                     "before it starts runs on to its stop on the next ticked day.") +
           "\n";
    if (variables) {
        svg += texte_svg(gauche, y + 38, "font-size=\"12\" fill=\"#444\"",
                         "Slots that follow the sun or vary show each day's times for the "
                         "seven days from today; today's draw on today alone.") +
               "\n";
    }
}

}  // namespace

std::vector<occurrence> occurrences(const programme& p,
                                    const std::optional<horaires_semaine>& semaine) {
    std::vector<occurrence> r;
    for (int i = 0; i < nb_voies; ++i) {
        for (int k = 1; k <= nb_plages; ++k) {
            if (!coche(p.fenetre, valid_k(k), i)) continue;
            for (int d = 0; d < nb_jours; ++d) {
                const horaires& h = du_jour(p, semaine, d);
                if (!jour_coche(p, d, i) || sans_debut(h, k, i)) continue;
                const heure_du_jour debut = debut_k(h, k, i);
                heure_du_jour fin = fin_k(h, k, i);
                int jours_apres = 0;
                if (fin < debut) {
                    // The stop test runs only on ticked days: the next one, this very day
                    // a week on at the latest, at that day's stop time.
                    jours_apres = 1;
                    while (!jour_coche(p, (d + jours_apres) % nb_jours, i)) ++jours_apres;
                    fin = fin_k(du_jour(p, semaine, d + jours_apres), k, i);
                }
                r.push_back({i, k, d, debut, jours_apres * secondes_par_jour + fin});
            }
        }
    }
    return r;
}

std::vector<occurrence> occurrences_inactives(const programme& p,
                                              const std::optional<horaires_semaine>& semaine) {
    std::vector<occurrence> r;
    for (int i = 0; i < nb_voies; ++i) {
        for (int k = 1; k <= nb_plages; ++k) {
            const bool active = coche(p.fenetre, valid_k(k), i);
            for (int d = 0; d < nb_jours; ++d) {
                const horaires& h = du_jour(p, semaine, d);
                const heure_du_jour debut = debut_k(h, k, i);
                const heure_du_jour fin = fin_k(h, k, i);
                // Runs, or is off twice over.
                if (active == jour_coche(p, d, i) && !(active && sans_debut(h, k, i))) continue;
                if (!active && jamais_reglee(p, k, i)) continue;
                r.push_back({i, k, d, debut, fin < debut ? fin + secondes_par_jour : fin});
            }
        }
    }
    return r;
}

std::string graphique_svg(const programme& p, const std::string& titre,
                          const std::optional<horaires_semaine>& semaine) {
    const bool variables = semaine && a_des_variables(p.g.variables);
    const double hauteur = bas_grille + (variables ? 78 : 62);
    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + nombre(largeur_totale) +
           "\" height=\"" + nombre(hauteur) + "\" viewBox=\"0 0 " + nombre(largeur_totale) + " " +
           nombre(hauteur) + "\" font-family=\"DejaVu Sans, Verdana, sans-serif\">\n";
    svg += rect(0, 0, largeur_totale, hauteur, "fill=\"white\"") + "\n";
    svg += texte_svg(marge, 26, "font-size=\"18\" font-weight=\"bold\"", echappe(titre)) + "\n";
    ecrit_grille(svg, p);
    ecrit_etiquettes(svg, p);
    for (const occurrence& o : occurrences_inactives(p, semaine))
        ecrit_occurrence(svg, p, o, false);
    for (const occurrence& o : occurrences(p, semaine)) ecrit_occurrence(svg, p, o, true);
    ecrit_legende(svg, variables);
    svg += "</svg>\n";
    return svg;
}

}  // namespace horlivet
