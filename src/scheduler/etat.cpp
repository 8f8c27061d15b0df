#include "scheduler/etat.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>

#include "model/horaires_du_jour.h"
#include "model/mots.h"
#include "scheduler/commande.h"
#include "scheduler/journal.h"
#include "scheduler/manuel.h"
#include "scheduler/tick.h"

namespace horlivet {

namespace {

// Far above the 32 lines the program writes: more is not its file.
constexpr std::size_t taille_max_etat = 64 * 1024;
// Bad lines said one by one; the others are counted.
constexpr std::size_t fautes_dites = 5;

constexpr std::string_view entete =
    "# Horlivet: the slots started and not yet stopped, for a restart after a crash\n";

// "22:00".
std::string texte_heure(heure_du_jour t) {
    char texte[32];
    std::snprintf(texte, sizeof texte, "%02d:%02d", t / 3600, t / 60 % 60);
    return texte;
}

// Reads `t` as `forme`, where each 'n' stands for one to four digits and any other
// character for itself; the numbers go to `nombres` in order.
template <std::size_t N>
bool lit_forme(std::string_view t, std::string_view forme, std::array<int, N>& nombres) {
    std::size_t n = 0;
    for (const char f : forme) {
        if (f != 'n') {
            if (t.empty() || t.front() != f) return false;
            t.remove_prefix(1);
            continue;
        }
        std::size_t chiffres = 0;
        int valeur = 0;
        while (chiffres < t.size() && chiffres < 5 && t[chiffres] >= '0' && t[chiffres] <= '9')
            valeur = valeur * 10 + (t[chiffres++] - '0');
        if (chiffres == 0 || chiffres > 4 || n == N) return false;
        nombres[n++] = valeur;
        t.remove_prefix(chiffres);
    }
    return t.empty() && n == N;
}

// "+0200" as seconds east of UTC.
std::optional<int> lit_decalage(std::string_view t) {
    std::array<int, 1> hhmm{};
    if (t.size() != 5 || (t[0] != '+' && t[0] != '-') || !lit_forme(t.substr(1), "n", hhmm) ||
        hhmm[0] / 100 > 23 || hhmm[0] % 100 > 59)
        return std::nullopt;
    const int secondes = hhmm[0] / 100 * 3600 + hhmm[0] % 100 * 60;
    return t[0] == '-' ? -secondes : secondes;
}

// One slot line, or why it is not one. The UTC offset after the start time is left out
// by the lines of earlier versions: their time is then taken as it reads.
std::string lit_ligne(std::string_view ligne, ligne_etat& l) {
    std::vector<std::string_view> m = mots(ligne);
    std::optional<std::string_view> decalage;
    if (m.size() == 10) {
        decalage = m[7];
        m.erase(m.begin() + 7);
    }
    if (m.size() != 9 || m[0] != "channel" || m[2] != "slot" || m[4] != "started" ||
        m[7] != "times")
        return "not a started slot";
    std::array<int, 1> voie{}, plage{};
    std::array<int, 3> date{}, heure{};
    std::array<int, 4> horaire{};
    if (!lit_forme(m[1], "n", voie) || voie[0] < 1 || voie[0] > nb_voies)
        return "no channel 1 to 8";
    if (!lit_forme(m[3], "n", plage) || plage[0] < 1 || plage[0] > nb_plages)
        return "no slot 1 to 4";
    const auto date_valide = [&date] {
        using namespace std::chrono;
        return year_month_day{year{date[0]}, month{static_cast<unsigned>(date[1])},
                              day{static_cast<unsigned>(date[2])}}
            .ok();
    };
    if (!lit_forme(m[5], "n-n-n", date) || !date_valide() || !lit_forme(m[6], "n:n:n", heure) ||
        heure[0] > 23 || heure[1] > 59 || heure[2] > 59)
        return "no start date and time";
    const std::optional<int> utc = decalage ? lit_decalage(*decalage) : std::nullopt;
    if (decalage && !utc) return "no UTC offset such as +0200";
    if (!lit_forme(m[8], "n:n-n:n", horaire) || horaire[0] > 23 || horaire[1] > 59 ||
        horaire[2] > 23 || horaire[3] > 59)
        return "no slot times";
    l.i = voie[0] - 1;
    l.k = plage[0];
    date_heure d;
    d.annee = date[0];
    d.mois = date[1];
    d.jour = date[2];
    d.secondes = heure[0] * 3600 + heure[1] * 60 + heure[2];
    l.plage.marche = date_de(instant_de(d));
    l.plage.marche.decalage = utc;
    l.plage.debut = heure_de(horaire[0], horaire[1]);
    l.plage.fin = heure_de(horaire[2], horaire[3]);
    return {};
}

std::optional<plage_notee>& notee(globales& g, int k, int i) {
    return g.notees[static_cast<std::size_t>(k - 1)].at(static_cast<std::size_t>(i));
}

// "channel 3 (Pompe) slot 1".
std::string nom_plage(const programme& p, int i, int k) {
    return "channel " + std::to_string(i + 1) + " (" + texte(p.fenetre, champ::nom, i) + ") slot " +
           std::to_string(k);
}

// The date (yyyymmdd) of the start occurrence a start launched at `marche` served: that
// day, or the day before for a start caught up after midnight.
int date_occurrence(const date_heure& marche, heure_du_jour debut) {
    using namespace std::chrono;
    const date_heure d = marche.secondes >= debut ? marche : date_de(instant_de(marche) - days(1));
    return d.annee * 10000 + d.mois * 100 + d.jour;
}

// A line of the file as standard error may show it: cut to 80 bytes, and every byte
// that is not printable ASCII (a terminal's escapes) as \xNN.
std::string texte_sur(std::string_view ligne) {
    if (ligne.ends_with('\r')) ligne.remove_suffix(1);
    std::string r;
    for (const char c : ligne.substr(0, 80)) {
        const auto o = static_cast<unsigned char>(c);
        if ((o >= 0x20 && o < 0x7F) || c == '\t') {
            r += c;
            continue;
        }
        char code[8];
        std::snprintf(code, sizeof code, "\\x%02x", o);
        r += code;
    }
    return ligne.size() > 80 ? r + "..." : r;
}

// The ticks the run would have made had it gone on, from the start launch `depuis` to
// `jusqua`, replayed on `sim`. When both carry their UTC offset they are real instants:
// the replay walks real time every 20 s, reading the local time through `locale`, and
// takes a forward jump of the local time as the live tick does (simule_ticks over the
// minutes between), so an hour repeated in autumn comes twice and summer time's lost hour
// is walked through. Otherwise local times are taken as they read, as lines written
// without an offset always were.
void rejoue(programme& sim, const date_heure& depuis, const date_heure& jusqua,
            const conversion_locale& locale) {
    using namespace std::chrono;
    if (!depuis.decalage || !jusqua.decalage || !locale) {
        simule_ticks(sim, depuis, jusqua);
        return;
    }
    const seconds periode = duration_cast<seconds>(milliseconds(periode_timer1_ms));
    sys_seconds t = instant_de(depuis) - seconds(*depuis.decalage);
    const sys_seconds fin = instant_de(jusqua) - seconds(*jusqua.decalage);
    date_heure avant = depuis;
    if (fin - t > days(jours_rattrapes)) {
        t += (fin - days(jours_rattrapes) - t) / periode * periode;
        avant = locale(t);
    }
    for (t += periode; t < fin; t += periode) {
        const date_heure d = locale(t);
        if (instant_de(d) - instant_de(avant) > seconds(60)) simule_ticks(sim, avant, d);
        // The tick at d alone.
        simule_ticks(sim, date_de(instant_de(d) - periode), date_de(instant_de(d) + seconds(1)));
        avant = d;
    }
}

void ecrit_etat(programme& p) {
    const std::string erreur = p.s.remplace_fichier(p.g.fichier_etat, texte_etat(p.g));
    if (!erreur.empty() && erreur != p.g.erreur_etat && p.s.signale) {
        p.s.signale(p.g.fichier_etat + ": " + erreur +
                    "; a crash would leave the started slots without their stop");
    }
    p.g.erreur_etat = erreur;
}

// "draw 2026-12-07 channel 1 slot 1 start +7 stop -3".
bool lit_tirage(std::string_view ligne, ligne_tirage& t) {
    const std::vector<std::string_view> m = mots(ligne);
    std::array<int, 3> date{};
    std::array<int, 1> voie{}, plage{}, debut{}, fin{};
    const auto signe = [](std::string_view s, std::array<int, 1>& n) {
        if (s.size() < 2 || (s[0] != '+' && s[0] != '-') || !lit_forme(s.substr(1), "n", n))
            return false;
        if (s[0] == '-') n[0] = -n[0];
        return n[0] >= -720 && n[0] <= 720;
    };
    if (m.size() != 10 || m[0] != "draw" || m[2] != "channel" || m[4] != "slot" ||
        m[6] != "start" || m[8] != "stop" || !lit_forme(m[1], "n-n-n", date) ||
        !lit_forme(m[3], "n", voie) || voie[0] < 1 || voie[0] > nb_voies ||
        !lit_forme(m[5], "n", plage) || plage[0] < 1 || plage[0] > nb_plages ||
        !signe(m[7], debut) || !signe(m[9], fin))
        return false;
    t = {date[0] * 10000 + date[1] * 100 + date[2], voie[0] - 1, plage[0], {debut[0], fin[0]}};
    return true;
}

// The draw the lines give for the date of `jour`, into p's times of that day. Returns
// true when they give one.
bool applique_tirage(programme& p, const std::vector<ligne_tirage>& tirages,
                     const date_heure& jour) {
    variables_plages& v = p.g.variables;
    bool lu = false;
    for (const ligne_tirage& t : tirages) {
        if (t.date != numero_date(jour)) continue;
        v.tirages[static_cast<std::size_t>(t.k - 1)][static_cast<std::size_t>(t.i)] = t.tirage;
        lu = true;
    }
    if (lu) {
        v.date_tirage = numero_date(jour);
        v.date = 0;
        horaires_du_jour(p, jour);
    }
    return lu;
}

}  // namespace

std::string texte_etat(const globales& g) {
    std::string t(entete);
    for (int i = 0; i < nb_voies; ++i) {
        for (int k = 1; k <= nb_plages; ++k) {
            const auto& n = g.notees[static_cast<std::size_t>(k - 1)][static_cast<std::size_t>(i)];
            if (!n) continue;
            const date_heure& d = n->marche;
            // The offset tells the two passes of the hour repeated in autumn apart; a clock
            // that does not give it (or one of seconds, as old local mean times) leaves it
            // out.
            char decalage[16] = "";
            if (d.decalage && *d.decalage % 60 == 0 && *d.decalage > -86400 &&
                *d.decalage < 86400) {
                const int a = *d.decalage < 0 ? -*d.decalage : *d.decalage;
                std::snprintf(decalage, sizeof decalage, " %c%02d%02d", *d.decalage < 0 ? '-' : '+',
                              a / 3600, a / 60 % 60);
            }
            char ligne[160];
            std::snprintf(
                ligne, sizeof ligne,
                "channel %d slot %d started %04d-%02d-%02d %02d:%02d:%02d%s times %s-%s\n", i + 1,
                k, d.annee, d.mois, d.jour, d.secondes / 3600, d.secondes / 60 % 60,
                d.secondes % 60, decalage, texte_heure(n->debut).c_str(),
                texte_heure(n->fin).c_str());
            t += ligne;
        }
    }
    const variables_plages& v = g.variables;
    if (v.date_tirage == 0) return t + texte_forcages(g);
    for (int i = 0; i < nb_voies; ++i) {
        for (int k = 1; k <= nb_plages; ++k) {
            const regles_plage& r = regles_k(v, k, i);
            if (r.alea_debut <= 0 && r.alea_fin <= 0) continue;
            const tirage_plage& d =
                v.tirages[static_cast<std::size_t>(k - 1)][static_cast<std::size_t>(i)];
            char ligne[128];
            std::snprintf(ligne, sizeof ligne,
                          "draw %04d-%02d-%02d channel %d slot %d start %+d stop %+d\n",
                          v.date_tirage / 10000, v.date_tirage / 100 % 100, v.date_tirage % 100,
                          i + 1, k, d.debut, d.fin);
            t += ligne;
        }
    }
    return t + texte_forcages(g);
}

lecture_etat lit_etat(std::string_view texte) {
    lecture_etat r;
    std::array<std::array<bool, nb_voies>, nb_plages> vues{};
    for (int numero = 1; !texte.empty(); ++numero) {
        const std::size_t fin = texte.find('\n');
        const std::string_view ligne = texte.substr(0, fin);
        texte.remove_prefix(fin == std::string_view::npos ? texte.size() : fin + 1);
        const std::vector<std::string_view> m = mots(ligne);
        if (m.empty() || m[0].front() == '#') continue;
        ligne_tirage tirage;
        if (m[0] == "draw" && lit_tirage(ligne, tirage)) {
            r.tirages.push_back(tirage);
            continue;
        }
        int voie = 0;
        forcage f;
        ligne_etat l;
        std::string faute;
        if (lit_ligne_forcage(ligne, voie, f)) {
            bool deja = false;
            for (const auto& [j, g] : r.forcages) deja = deja || j == voie;
            if (!deja) {
                r.forcages.emplace_back(voie, f);
                continue;
            }
            faute = "the channel is held or paused twice";
        } else {
            faute = lit_ligne(ligne, l);
        }
        if (faute.empty() && vues[static_cast<std::size_t>(l.k - 1)][static_cast<std::size_t>(l.i)])
            faute = "the slot is listed twice";
        if (!faute.empty()) {
            if (r.fautes.size() < fautes_dites) {
                r.fautes.push_back("line " + std::to_string(numero) + " left out (" + faute +
                                   "): " + texte_sur(ligne));
            } else {
                ++r.autres_fautes;
            }
            continue;
        }
        vues[static_cast<std::size_t>(l.k - 1)][static_cast<std::size_t>(l.i)] = true;
        r.plages.push_back(l);
    }
    return r;
}

void note_marche(programme& p) {
    if (!p.s.remplace_fichier) return;
    bool change = false;
    for (int i = 0; i < nb_voies; ++i) {
        for (int k = 1; k <= nb_plages; ++k) {
            std::optional<plage_notee>& n = notee(p.g, k, i);
            if (attente_k(p.g, k, i) || n) continue;
            n = plage_notee{p.s.maintenant(), debut_k(p.h, k, i), fin_k(p.h, k, i)};
            change = true;
        }
    }
    if (change) ecrit_etat(p);
}

void note_arret(programme& p, int i) {
    if (!p.s.remplace_fichier) return;
    bool change = false;
    for (int k = 1; k <= nb_plages; ++k) {
        std::optional<plage_notee>& n = notee(p.g, k, i);
        if (!attente_k(p.g, k, i) || !n) continue;
        n.reset();
        change = true;
    }
    if (change) ecrit_etat(p);
}

void note_tirage(programme& p) {
    if (p.s.remplace_fichier) ecrit_etat(p);
}

void note_forcages(programme& p) {
    if (!p.s.remplace_fichier) return;
    if (p.s.lit_fichier) {
        const contenu_fichier c = p.s.lit_fichier(p.g.fichier_etat, taille_max_etat);
        if (c.erreur.empty() && c.texte == texte_etat(p.g)) return;
    }
    ecrit_etat(p);
}

void vide_etat(programme& p) {
    if (!p.s.remplace_fichier) return;
    for (auto& plage : p.g.notees) plage.fill(std::nullopt);
    for (forcage& f : p.g.forcages) {
        if (f.s == forcage::sorte::marche) f = {};
    }
    ecrit_etat(p);
}

void restaure_etat(programme& p) {
    if (!p.s.lit_fichier || !p.s.remplace_fichier) return;
    const auto dit = [&p](const std::string& texte) {
        if (p.s.signale) p.s.signale(p.g.fichier_etat + ": " + texte);
    };
    for (auto& plage : p.g.notees) plage.fill(std::nullopt);
    p.g.forcages = {};
    // Before the first write: no other program writes in this folder.
    if (p.s.efface_restes) {
        const std::string reste = p.s.efface_restes(p.g.fichier_etat);
        if (!reste.empty()) dit("a temporary file a killed write left could not go: " + reste);
    }
    const contenu_fichier contenu = p.s.lit_fichier(p.g.fichier_etat, taille_max_etat);
    const lecture_etat lecture = lit_etat(contenu.texte);
    for (const std::string& faute : lecture.fautes) dit(faute);
    if (lecture.autres_fautes > 0) {
        dit(std::to_string(lecture.autres_fautes) + " more bad line" +
            (lecture.autres_fautes == 1 ? "" : "s") + " left out");
    }
    // No file is a first start: nothing to say.
    if (!contenu.erreur.empty() && !contenu.absent) {
        dit(contenu.erreur + "; no started slot restored");
    } else if (contenu.erreur.empty() && lecture.plages.empty()) {
        dit(lecture.fautes.empty() ? "no started slot to restore" : "no started slot restored");
    }

    // Today's draw as a run before this one made it: the same times as then.
    const date_heure maintenant = p.s.maintenant();
    applique_tirage(p, lecture.tirages, maintenant);

    // Each slot on a simulated run of its own, from its start launch to now.
    programme sim;
    sim.fenetre = p.fenetre;
    sim.fenetre.sur_edition = nullptr;
    sim.fenetre.sur_affichage = nullptr;
    sim.h = p.h;
    sim.s.soleil = p.s.soleil;
    sim.s.locale = p.s.locale;
    std::vector<ligne_etat> arretees;
    for (const ligne_etat& l : lecture.plages) {
        const heure_du_jour debut = debut_k(p.h, l.k, l.i), fin = fin_k(p.h, l.k, l.i);
        if (l.plage.debut != debut || l.plage.fin != fin) {
            dit(nom_plage(p, l.i, l.k) + " not restored: its times were " +
                texte_heure(l.plage.debut) + "-" + texte_heure(l.plage.fin) +
                " when it started and are " + texte_heure(debut) + "-" + texte_heure(fin) +
                " now; its stop command is not launched");
            continue;
        }
        if (!coche(p.fenetre, valid_k(l.k), l.i)) {
            dit(nom_plage(p, l.i, l.k) +
                " not restored: the slot is disabled now; its stop command is not launched");
            continue;
        }
        const auto ki = static_cast<std::size_t>(l.k - 1), ii = static_cast<std::size_t>(l.i);
        sim.g = p.g;
        attente_k(sim.g, l.k, l.i) = false;
        sim.g.date_dernier_debut[ki][ii] = date_occurrence(l.plage.marche, debut);
        sim.g.heure_dernier_debut[ki][ii] = debut;
        rejoue(sim, l.plage.marche, maintenant, p.s.locale);
        p.g.date_dernier_debut[ki][ii] = sim.g.date_dernier_debut[ki][ii];
        p.g.heure_dernier_debut[ki][ii] = sim.g.heure_dernier_debut[ki][ii];
        if (attente_k(sim.g, l.k, l.i)) {
            arretees.push_back(l);
        } else {
            attente_k(p.g, l.k, l.i) = false;
            p.g.notees[ki][ii] = l.plage;
            ecrit_fond(p.fenetre, champ::nom, l.i, mauve_clair);
            ecrit_fond(p.fenetre, champ::Option1, l.i, mauve_clair);
            // The tick acts on ticked days only, so a restart keeps such a slot on, as the
            // run would have.
            bool un_jour = false;
            for (int j = 0; j < nb_jours; ++j) un_jour = un_jour || coche(p.fenetre, jour(j), l.i);
            if (!un_jour) {
                dit(nom_plage(p, l.i, l.k) +
                    " restored as on; no day of its channel is ticked, so its stop comes only "
                    "when a ticked day reaches its stop minute or at shutdown");
            }
        }
    }

    // The stops first, then the file: a run killed in between stops them again rather
    // than never.
    if (!arretees.empty()) verif_mois(p);
    for (const ligne_etat& l : arretees) command_A(p, l.i);
    std::array<bool, nb_voies> deja_arretee{};
    for (const ligne_etat& l : arretees) deja_arretee[static_cast<std::size_t>(l.i)] = true;
    restaure_forcages(p, lecture.forcages, deja_arretee);
    // A file that already lists what is started stays as it is: a start spends no flush
    // to disk on it.
    if (!contenu.erreur.empty() || contenu.texte != texte_etat(p.g)) ecrit_etat(p);
}

bool lit_tirage_du_jour(programme& p) {
    if (!p.s.lit_fichier || !p.s.maintenant) return false;
    const contenu_fichier contenu = p.s.lit_fichier(p.g.fichier_etat, taille_max_etat);
    if (!contenu.erreur.empty()) return false;
    return applique_tirage(p, lit_etat(contenu.texte).tirages, p.s.maintenant());
}

}  // namespace horlivet
