// horlivet-ctl: the running program's state, and control by hand, from outside. It talks
// to the program through its socket (platform/prise.h); the next launches come from the
// same look-ahead as horlivet-plan.

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "plan/plan.h"
#include "platform/fichier_entier.h"
#include "platform/horloge.h"
#include "platform/prise.h"
#include "platform/soleil_nova.h"
#include "platform/systeme.h"
#include "platform/verrou.h"
#include "scheduler/etat.h"
#include "scheduler/manuel.h"

namespace {

using namespace horlivet;

constexpr int fait = 0, refuse = 1, usage = 2, personne = 3;

const char* const aide =
    "Usage: horlivet-ctl [--folder DIR] COMMAND\n"
    "\n"
    "Asks the horlivet that runs in DIR (by default the folder of this program).\n"
    "\n"
    "  status [--json]    each channel: on or off, since when and why, its next start\n"
    "                     and stop, any override or pause; and whether a program runs\n"
    "  on N | off N       launches channel N's start / stop command now and holds that\n"
    "                     state until the channel's next switching\n"
    "  auto N             ends an override or pause: the channel goes to the state its\n"
    "                     schedule says for this moment\n"
    "  pause N|all --until 'YYYY-MM-DD[ HH:MM]'\n"
    "                     stops the channel now if it is on and launches nothing for it\n"
    "                     until then; then the schedule takes over as for auto\n"
    "  --help             shows this help\n"
    "\n"
    "Exit status: 0 done, 1 refused, 2 usage, 3 no program runs in the folder.\n";

int erreur_usage(const std::string& faute) {
    std::cerr << "horlivet-ctl: " << faute << "\n" << aide;
    return usage;
}

// "2026-12-07T08:00:04".
std::string iso(const date_heure& d) {
    char t[48];
    std::snprintf(t, sizeof t, "%04d-%02d-%02dT%02d:%02d:%02d", d.annee, d.mois, d.jour,
                  d.secondes / 3600, d.secondes / 60 % 60, d.secondes % 60);
    return t;
}

// "key=value" words of a status line.
std::map<std::string, std::string> champs(const std::string& ligne) {
    std::map<std::string, std::string> r;
    std::istringstream mots(ligne);
    std::string mot;
    while (mots >> mot) {
        const auto egal = mot.find('=');
        if (egal != std::string::npos) r[mot.substr(0, egal)] = mot.substr(egal + 1);
    }
    return r;
}

// The process id horlivet.verrou holds, or 0.
long detenteur(const std::string& dossier) {
    std::ifstream f(dossier + "/" + fichier_verrou);
    long pid = 0;
    f >> pid;
    return f ? pid : 0;
}

int statut(const std::string& dossier, bool json) {
    const echange e = demande_au_programme(dossier, "status");
    if (e.etat == echange::issue::erreur) {
        std::cerr << "horlivet-ctl: " << e.texte << "\n";
        return refuse;
    }
    const bool tourne = e.etat == echange::issue::repondu;
    std::map<int, std::map<std::string, std::string>> voies;
    if (tourne) {
        std::istringstream lignes(e.texte);
        std::string ligne;
        std::getline(lignes, ligne);
        if (ligne != "ok") {
            std::cerr << "horlivet-ctl: " << ligne << "\n";
            return refuse;
        }
        while (std::getline(lignes, ligne)) {
            auto c = champs(ligne);
            voies[std::atoi(c["channel"].c_str())] = c;
        }
    } else {
        // What the state file lists, as a restart would read it.
        std::ifstream f(dossier + "/horlivet.etat", std::ios::binary);
        std::ostringstream contenu;
        contenu << f.rdbuf();
        const lecture_etat l = lit_etat(contenu.str());
        for (const ligne_etat& s : l.plages) {
            auto& c = voies[s.i + 1];
            c["why"] = "slot:" + std::to_string(s.k);
            c["since"] = iso(s.plage.marche);
        }
        for (const auto& [i, f2] : l.forcages) {
            auto& c = voies[i + 1];
            c["why"] = f2.s == forcage::sorte::pause ? "paused" : "hand";
            c["until"] = f2.jusqua ? iso(*f2.jusqua) : "none";
            if (f2.s != forcage::sorte::pause)
                c["state"] = f2.s == forcage::sorte::marche ? "on" : "off";
        }
    }

    programme p;
    std::vector<std::string> messages;
    const auto maintenant =
        std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
    // The times the program would use: each day's sun times, and today's draw as
    // horlivet.etat keeps it.
    p.s.soleil = soleil_libnova;
    p.s.locale = date_locale;
    p.s.maintenant = [maintenant] { return date_locale(maintenant); };
    p.s.lit_fichier = lit_fichier_entier;
    charge_plan(p, dossier + "/ervaline.ini", messages);
    // The running program sends its own look-ahead; otherwise it is worked out here.
    std::array<prochains_voie, nb_voies> prochains{};
    if (!tourne || !voies[1].count("next_start"))
        prochains = prochains_lancements(p, maintenant, date_locale);
    // "2026-12-07T08:00:04" or "none" from the program, or the look-ahead's launch.
    const auto prochain = [&](int i, const char* cle, const std::optional<lancement_prevu>& l) {
        auto& c = voies[i + 1];
        if (c.count(cle)) return c[cle] == "none" ? std::string() : c[cle];
        return l ? iso(l->quand) : std::string();
    };
    const long pid = tourne ? detenteur(dossier) : 0;

    nlohmann::ordered_json doc;
    doc["folder"] = dossier;
    doc["running"] = tourne;
    doc["pid"] = pid > 0 ? nlohmann::ordered_json(pid) : nlohmann::ordered_json(nullptr);
    doc["channels"] = nlohmann::ordered_json::array();
    std::string sortie = "Folder " + dossier + "\n";
    sortie += tourne
                  ? "horlivet runs here" +
                        (pid > 0 ? " (process " + std::to_string(pid) + ")" : std::string()) + "\n"
                  : "no horlivet runs here: the state below is what horlivet.etat lists\n";
    for (int i = 0; i < nb_voies; ++i) {
        auto c = voies[i + 1];
        const auto valeur = [&c](const char* cle) {
            const auto v = c.find(cle);
            return v == c.end() || v->second == "none" ? nlohmann::ordered_json(nullptr)
                                                       : nlohmann::ordered_json(v->second);
        };
        const auto& l = prochains[static_cast<std::size_t>(i)];
        nlohmann::ordered_json v;
        v["number"] = i + 1;
        v["name"] = texte(p.fenetre, champ::nom, i);
        v["state"] = valeur("state");
        v["since"] = valeur("since");
        std::string pourquoi = c.count("why") ? c["why"] : (tourne ? "schedule" : "");
        nlohmann::ordered_json plage = nullptr;
        if (pourquoi.rfind("slot:", 0) == 0) {
            plage = std::atoi(pourquoi.c_str() + 5);
            pourquoi = "slot";
        }
        v["why"] =
            pourquoi.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(pourquoi);
        v["slot"] = plage;
        v["until"] = valeur("until");
        const std::string marche = prochain(i, "next_start", l.marche),
                          arret = prochain(i, "next_stop", l.arret);
        v["next_start"] =
            marche.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(marche);
        v["next_stop"] =
            arret.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(arret);
        doc["channels"].push_back(v);

        sortie += "\n" + std::to_string(i + 1) + "  " + texte(p.fenetre, champ::nom, i) + "\n";
        std::string etat = c.count("state") ? c["state"] : "unknown";
        if (c.count("since") && c["since"] != "none") etat += " since " + c["since"];
        if (pourquoi == "slot") etat += " (slot " + std::to_string(plage.get<int>()) + ")";
        if (pourquoi == "hand") etat += " (by hand until " + c["until"] + ")";
        if (pourquoi == "paused") etat += " (paused until " + c["until"] + ")";
        if (!tourne && pourquoi == "slot")
            etat = "started in horlivet.etat (slot " + std::to_string(plage.get<int>()) + ")";
        sortie += "  state  " + etat + "\n";
        sortie +=
            "  start  " + (marche.empty() ? std::string("none within 8 days") : marche) + "\n";
        sortie += "  stop   " + (arret.empty() ? std::string("none within 8 days") : arret) + "\n";
    }
    std::cout << (json ? doc.dump(2) + "\n" : sortie);
    return tourne ? fait : personne;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> a(argv + 1, argv + argc);
    std::string dossier = dossier_executable();
    std::vector<std::string> reste;
    bool json = false;
    std::string jusqua;
    for (std::size_t n = 0; n < a.size(); ++n) {
        if (a[n] == "--help" || a[n] == "-h") {
            std::cout << aide;
            return fait;
        } else if (a[n] == "--folder" || a[n] == "--until") {
            if (n + 1 >= a.size()) return erreur_usage(a[n] + " needs a value");
            (a[n] == "--folder" ? dossier : jusqua) = a[n + 1];
            ++n;
        } else if (a[n] == "--json") {
            json = true;
        } else if (a[n].size() > 1 && a[n][0] == '-') {
            return erreur_usage("unknown option " + a[n]);
        } else {
            reste.push_back(a[n]);
        }
    }
    if (reste.empty()) return erreur_usage("a command is needed");
    const std::string& commande = reste[0];
    if (commande == "status") {
        if (reste.size() != 1 || !jusqua.empty()) return erreur_usage("status takes no argument");
        return statut(dossier, json);
    }
    std::string requete;
    if (commande == "on" || commande == "off" || commande == "auto") {
        if (reste.size() != 2 || json || !jusqua.empty())
            return erreur_usage(commande + " takes one channel number");
        requete = commande + " " + reste[1];
    } else if (commande == "pause") {
        if (reste.size() != 2 || json || jusqua.empty())
            return erreur_usage("pause N|all --until 'YYYY-MM-DD[ HH:MM]'");
        if (!lit_date_pause(jusqua))
            return erreur_usage("--until " + jusqua + ": not a date YYYY-MM-DD[ HH:MM]");
        requete = "pause " + reste[1] + " " + jusqua;
    } else {
        return erreur_usage("unknown command " + commande);
    }
    // A channel number is checked here too, so that a typo is a usage error.
    const lecture_requete lue = lit_requete(requete);
    if (!lue.r) return erreur_usage(lue.faute);
    const echange e = demande_au_programme(dossier, requete);
    if (e.etat == echange::issue::personne) {
        std::cerr << "horlivet-ctl: no horlivet runs in " << dossier << "\n";
        return personne;
    }
    if (e.etat == echange::issue::erreur) {
        std::cerr << "horlivet-ctl: " << e.texte << "\n";
        return refuse;
    }
    if (e.texte.rfind("ok", 0) == 0) return fait;
    std::cerr << "horlivet-ctl: " << e.texte;
    return refuse;
}
