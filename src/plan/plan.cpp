#include "plan/plan.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "model/horaires_du_jour.h"
#include "scheduler/etat.h"
#include "scheduler/tick.h"
#include "settings/ini.h"
#include "window/edition.h"
#include "window/verif.h"

namespace horlivet {

namespace {

using namespace std::chrono;

// The command texts the simulation gives each channel, so that a launch tells which
// channel and which kind it was: "M3" is channel 3's start, "A3" its stop.
std::string marque_lancement(char sorte, int i) { return sorte + std::to_string(i); }

bool plage_active(const programme& p, int k, int i) { return coche(p.fenetre, valid_k(k), i); }

// "2 d 03:04:05", or "03:04:05" within a day.
std::string texte_duree(seconds s) {
    const auto j = duration_cast<days>(s);
    const hh_mm_ss hms(s - j);
    char texte[48];
    std::snprintf(texte, sizeof texte, "%02d:%02d:%02d", static_cast<int>(hms.hours().count()),
                  static_cast<int>(hms.minutes().count()), static_cast<int>(hms.seconds().count()));
    if (j.count() == 0) return texte;
    return std::to_string(j.count()) + " d " + texte;
}

// "Mon 2026-12-07 08:30:20".
std::string texte_date_heure(const date_heure& d) {
    char texte[64];
    std::snprintf(texte, sizeof texte, "%s %04d-%02d-%02d %02d:%02d:%02d", nom_jour(d.jour_semaine),
                  d.annee, d.mois, d.jour, d.secondes / 3600, d.secondes / 60 % 60,
                  d.secondes % 60);
    return texte;
}

std::string texte_plage(const programme& p, int k, int i) {
    return texte_heure(debut_k(p.h, k, i)) + "–" + texte_heure(fin_k(p.h, k, i));
}

std::string nom_voie(const programme& p, int i) {
    return "channel " + std::to_string(i + 1) + " (" + texte(p.fenetre, champ::nom, i) + ")";
}

void ecrit_lancement(std::string& t, const char* sorte, const std::optional<lancement_prevu>& l) {
    t += "  ";
    t += sorte;
    if (l) {
        t += texte_date_heure(l->quand) + "   in " + texte_duree(l->dans) + "\n";
    } else {
        t += "none within " + std::to_string(jours_simules) + " days\n";
    }
}

// The slot times of the local date of `jour`, worked out on a copy of p's rules.
horaires horaires_le(const programme& p, const date_heure& jour) {
    programme sim;
    sim.h = p.h;
    sim.g.variables = p.g.variables;
    sim.g.variables.date = 0;
    sim.s.soleil = p.s.soleil;
    sim.s.locale = p.s.locale;
    horaires_du_jour(sim, jour);
    return sim.h;
}

// The date `n` days after `aujourdhui`, as "Mon 2026-12-07".
std::string date_apres(const date_heure& aujourdhui, int n) {
    const date_heure d = date_de(instant_de(aujourdhui) + days(n));
    return texte_date_heure(d).substr(0, 14);
}

// Days counted from `aujourdhui`, in order, days in a row as one span: "Mon 2026-12-07 to
// Wed 2026-12-09, Fri 2026-12-11".
std::string texte_jours(const std::vector<int>& jours, const date_heure& aujourdhui) {
    std::string t;
    for (std::size_t a = 0; a < jours.size();) {
        std::size_t b = a;
        while (b + 1 < jours.size() && jours[b + 1] == jours[b] + 1) ++b;
        t += (t.empty() ? "" : ", ") + date_apres(aujourdhui, jours[a]);
        if (b > a) t += (b == a + 1 ? ", " : " to ") + date_apres(aujourdhui, jours[b]);
        a = b + 1;
    }
    return t;
}

// What moves the times of slot k of channel i, "start follows coucher+30; stop varies by up
// to 15 min a day (...)", or the empty text for a fixed slot. `tire`: p holds today's draw.
std::string note_variable(const programme& p, int k, int i, bool tire) {
    const variables_plages& v = p.g.variables;
    const regles_plage& r = regles_k(v, k, i);
    const tirage_plage& d = v.tirages[static_cast<std::size_t>(k - 1)][static_cast<std::size_t>(i)];
    std::string t;
    for (const bool debut : {true, false}) {
        const std::optional<regle_soleil>& soleil = soleil_de(r, debut);
        const bool suit = suit_le_soleil(v.place, r, debut);
        const int alea = alea_de(r, debut);
        if (!suit && alea <= 0) continue;
        t += (t.empty() ? "" : "; ") + std::string(debut ? "start" : "stop");
        if (suit) t += " follows " + texte_regle_soleil(*soleil);
        if (alea <= 0) continue;
        t += (suit ? " and" : "") + std::string(" varies by up to ") + std::to_string(alea) +
             " min a day (";
        if (tire) {
            const int x = debut ? d.debut : d.fin;
            t += "today's draw " + std::string(x < 0 ? "" : "+") + std::to_string(x) +
                 " min; other days shown undrawn)";
        } else {
            t += "no draw for today in horlivet.etat: shown undrawn)";
        }
    }
    return t;
}

}  // namespace

horaires_semaine horaires_de_la_semaine(const programme& p, const date_heure& aujourdhui) {
    horaires_semaine r;
    r.fill(p.h);
    if (!a_des_variables(p.g.variables)) return r;
    for (int n = 0; n < nb_jours; ++n) {
        const date_heure d = date_de(instant_de(aujourdhui) + days(n));
        r[static_cast<std::size_t>(d.jour_semaine)] = horaires_le(p, d);
    }
    return r;
}

std::string raison_illisible(const std::string& chemin) {
    std::error_code erreur;
    const auto etat = std::filesystem::status(chemin, erreur);
    if (etat.type() == std::filesystem::file_type::not_found) return "no such file";
    if (erreur) return erreur.message();
    if (std::filesystem::is_directory(etat)) return "is a folder, not a file";
    errno = 0;
    std::ifstream fichier(chemin, std::ios::binary);
    if (!fichier) return errno != 0 ? std::strerror(errno) : "cannot be opened";
    fichier.peek();
    if (fichier.bad()) return errno != 0 ? std::strerror(errno) : "cannot be read";
    return {};
}

void charge_plan(programme& p, const std::string& fichier_ini, std::vector<std::string>& messages) {
    p.s.message = [&messages](const std::string&, const std::string& texte) {
        messages.push_back(texte);
    };
    p.s.signale = [&messages](const std::string& texte) { messages.push_back(texte); };
    route_handlers(p);
    const std::string dossier = std::filesystem::path(fichier_ini).parent_path().string();
    fixe_dossier_programme(p.g, dossier.empty() ? "." : dossier);
    p.g.fichier_ini = fichier_ini;
    remplit_listes(p.fenetre);
    lecture_ini(p);
    lit_tirage_du_jour(p);
}

std::array<prochains_voie, nb_voies> prochains_lancements(const programme& p,
                                                          sys_seconds maintenant,
                                                          const conversion_locale& locale) {
    programme sim;
    sim.fenetre = p.fenetre;
    // The copy must not raise the handlers of p's window, nor anything of its view.
    sim.fenetre.sur_edition = nullptr;
    sim.fenetre.sur_affichage = nullptr;
    sim.h = p.h;
    // Each simulated day works out its own sun times; today's draw stands for the others.
    sim.g.variables = p.g.variables;
    sim.s.soleil = p.s.soleil;
    sim.s.locale = locale;
    sim.g.dossier_programme = p.g.dossier_programme;
    sim.g.dossier_actions = p.g.dossier_actions;
    for (int i = 0; i < nb_voies; ++i) {
        ecrit_texte(sim.fenetre, champ::Commande_marche, i, marque_lancement('M', i));
        ecrit_texte(sim.fenetre, champ::commande_arret, i, marque_lancement('A', i));
    }

    sys_seconds horloge = maintenant;
    date_heure lue = locale(horloge);  // converted once per simulated tick
    std::array<prochains_voie, nb_voies> prochains{};
    int restants = 2 * nb_voies;
    sim.s.maintenant = [&lue] { return lue; };
    sim.s.lance = [&](const std::string& fichier, const std::string&) {
        const int i = fichier.at(1) - '0';
        auto& l = fichier.front() == 'M' ? prochains.at(static_cast<std::size_t>(i)).marche
                                         : prochains.at(static_cast<std::size_t>(i)).arret;
        if (!l) {
            l = lancement_prevu{lue, horloge - maintenant};
            --restants;
        }
        return lancement_reussi;
    };
    sim.s.ajoute_ligne = [](const std::string&, std::string_view) { return std::string(); };
    sim.s.date_longue = [](const date_heure&) { return std::string(); };
    sim.s.heure_longue = [](const date_heure&) { return std::string(); };
    sim.s.signale = [](const std::string&) {};

    // A fresh start: every slot waits for its start, so a stop comes only after a start
    // of this run. Timer1 first fires one period after startup.
    for (auto& plage : sim.g.attente) plage.fill(true);
    sim.g.ticks_actifs = true;
    const auto periode = duration_cast<seconds>(milliseconds(periode_timer1_ms));
    const sys_seconds fin = maintenant + days(jours_simules);
    for (horloge = maintenant + periode; horloge <= fin && restants > 0; horloge += periode) {
        lue = locale(horloge);
        Timer1_Timer(sim);
    }
    return prochains;
}

plan calcule_plan(const programme& p, const std::vector<std::string>& messages_chargement,
                  sys_seconds maintenant, const conversion_locale& locale) {
    plan r;
    r.incoherentes = plages_incoherentes(p);
    r.recouvrantes = plages_recouvrantes(p);
    // The load's own check is not run: the lists above name every failing slot.
    r.autres_messages = messages_chargement;
    r.prochains = prochains_lancements(p, maintenant, locale);
    return r;
}

bool a_des_avertissements(const plan& r) {
    return !r.incoherentes.empty() || !r.recouvrantes.empty() || !r.autres_messages.empty();
}

std::string texte_plan(const programme& p, const plan& r, const std::string& fichier_ini,
                       const date_heure& maintenant) {
    std::string t = "Schedule " + fichier_ini + "\n";
    t += "Now " + texte_date_heure(maintenant) + "; launches as the program started now would " +
         "make them (a tick every 20 s)\n";
    // The days looked ahead, for the slots that do not start on some of them.
    std::vector<horaires> a_venir;
    const bool variables = a_des_variables(p.g.variables);
    for (int n = 0; variables && n < jours_simules; ++n)
        a_venir.push_back(horaires_le(p, date_de(instant_de(maintenant) + days(n))));
    const bool tire = p.g.variables.date_tirage == numero_date(maintenant);
    for (int i = 0; i < nb_voies; ++i) {
        // Appended piece by piece: GCC 12 warns wrongly on "\n" + to_string at -O3.
        t += '\n';
        t += std::to_string(i + 1);
        t += "  " + texte(p.fenetre, champ::nom, i) + "\n";
        t += "  days   ";
        std::string jours;
        for (int d = 0; d < nb_jours; ++d) {
            if (coche(p.fenetre, jour(d), i))
                jours += std::string(jours.empty() ? "" : " ") + nom_jour(d);
        }
        t += (jours.empty() ? "none" : jours) + "\n";
        t += "  slots  ";
        std::string plages;
        for (int k = 1; k <= nb_plages; ++k) {
            if (!plage_active(p, k, i)) continue;
            if (!plages.empty()) plages += "   ";
            plages += std::to_string(k) + ": " + texte_plage(p, k, i);
            if (fin_k(p.h, k, i) < debut_k(p.h, k, i)) plages += " (overnight)";
        }
        t += (plages.empty() ? "none enabled" : plages) + "\n";
        for (int k = 1; variables && k <= nb_plages; ++k) {
            if (!plage_active(p, k, i)) continue;
            if (const std::string note = note_variable(p, k, i, tire); !note.empty())
                t += "  note   slot " + std::to_string(k) + ": " + note + "\n";
            std::vector<int> sans;
            for (int n = 0; n < jours_simules; ++n) {
                const auto& h = a_venir[static_cast<std::size_t>(n)];
                const int j = date_de(instant_de(maintenant) + days(n)).jour_semaine;
                if (coche(p.fenetre, jour(j), i) &&
                    h.sans_debut[static_cast<std::size_t>(k - 1)][static_cast<std::size_t>(i)])
                    sans.push_back(n);
            }
            if (!sans.empty()) {
                t += "  note   slot " + std::to_string(k) + " does not start " +
                     texte_jours(sans, maintenant) + ": the sun does not rise or set\n";
            }
        }
        const prochains_voie& l = r.prochains[static_cast<std::size_t>(i)];
        ecrit_lancement(t, "start  ", l.marche);
        ecrit_lancement(t, "stop   ", l.arret);
    }

    t += "\nWarnings\n";
    if (!a_des_avertissements(r)) t += "  none\n";
    for (const faute_plage& f : r.incoherentes) {
        t += "  " + nom_voie(p, f.voie) + " slot " + std::to_string(f.plage) + " " +
             texte_plage(p, f.plage, f.voie) + ": does not stop after it starts\n";
    }
    for (const faute_plage& f : r.recouvrantes) {
        t += "  " + nom_voie(p, f.voie) + " slot " + std::to_string(f.plage) + " " +
             texte_plage(p, f.plage, f.voie) + ": does not start after ";
        t += f.reference == 0 ? std::string("midnight")
                              : "slot " + std::to_string(f.reference) + " stops at " +
                                    texte_heure(fin_k(p.h, f.reference, f.voie));
        t += "\n";
    }
    for (const std::string& m : r.autres_messages) {
        std::string ligne = m;
        std::replace(ligne.begin(), ligne.end(), '\r', ' ');
        std::replace(ligne.begin(), ligne.end(), '\n', ' ');
        t += "  " + ligne + "\n";
    }
    return t;
}

std::string texte_heure(heure_du_jour t) {
    char texte[16];
    std::snprintf(texte, sizeof texte, "%02d:%02d", t / 3600 % 24, t / 60 % 60);
    return texte;
}

const char* nom_jour(int d) {
    static constexpr const char* noms[nb_jours] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    if (d < 0 || d >= nb_jours) throw std::out_of_range("day outside 0..6");
    return noms[d];
}

}  // namespace horlivet
