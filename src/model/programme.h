#pragma once

// The program-wide values, set once by startup and shared by the handlers, and the
// whole program state that every handler takes.

#include <array>
#include <optional>
#include <string>

#include "model/horaires.h"
#include "model/services_requis.h"
#include "model/soleil.h"
#include "model/widgets.h"

namespace horlivet {

inline constexpr std::array<std::array<bool, nb_voies>, nb_plages> tous_en_attente() {
    std::array<std::array<bool, nb_voies>, nb_plages> attente{};
    for (auto& plage : attente) plage.fill(true);
    return attente;
}

// A started slot as the state file lists it: when its start was launched, and its times
// in horaires then.
struct plage_notee {
    date_heure marche;
    heure_du_jour debut = 0;
    heure_du_jour fin = 0;
};

// A channel held by hand or paused (horlivet-ctl, the window's menu): what the tick does
// for it until `jusqua`, a local time as it reads; none: until "auto".
struct forcage {
    enum class sorte { aucun, marche, arret, pause };
    sorte s = sorte::aucun;
    date_heure depuis;
    std::optional<date_heure> jusqua;
    // For an override: the switching that ends it is a start minute (the device stays
    // on), otherwise a stop minute.
    bool fin_par_marche = false;
};

struct globales {
    std::string dossier_programme;  // ends in "/"
    std::string fichier_ini;
    std::string fichier_etat;     // the slots started and not yet stopped, for a restart
    std::string dossier_actions;  // ends in "/"
    std::string mois_courant;
    std::string mois_precedent;
    std::string fichier_journal;
    // attente[k - 1][i] is attente_k(i): true while slot k of channel i waits for its
    // start, false from its start launch to its stop launch. Waiting from the outset: a
    // program that has launched nothing has nothing to stop, even when a signal ends it
    // during its load.
    std::array<std::array<bool, nb_voies>, nb_plages> attente = tous_en_attente();
    // The start occurrence of each slot's last start launch: its date (yyyymmdd) and its
    // start time of day in horaires. A start of that same occurrence again is a repeat (a
    // slot whose start and stop share one minute, a clock set back); a slot moved and
    // saved has a new occurrence and starts at its new time the same day.
    std::array<std::array<int, nb_voies>, nb_plages> date_dernier_debut{};
    std::array<std::array<heure_du_jour, nb_voies>, nb_plages> heure_dernier_debut{};
    // The local date and time the previous tick of this run read: the minutes between it
    // and the next tick are the ones no tick saw. Empty until the first tick.
    std::optional<date_heure> dernier_tick;
    // The started slots as the state file last listed them, [k - 1][i]; it is rewritten
    // when a flag no longer matches. The last failure to write it, said once.
    std::array<std::array<std::optional<plage_notee>, nb_voies>, nb_plages> notees{};
    std::string erreur_etat;
    // The overrides and pauses in force, per channel, and the last launch of each channel
    // (for the status).
    std::array<forcage, nb_voies> forcages{};
    std::array<std::optional<date_heure>, nb_voies> dernier_lancement{};
    // Ticks act only once the flags are set, and never once shutdown has begun.
    bool ticks_actifs = false;
    // The shutdown has begun: it runs once.
    bool arret_commence = false;
    // The slots that follow the sun or vary, their fixed times and today's draw.
    variables_plages variables;
};

struct programme {
    ervaline fenetre = cree_ervaline();
    horaires h;
    globales g;
    services s;
};

// The program folder as startup keeps it: `dossier` with one "/" at its end.
std::string avec_separateur(std::string dossier);

// The program folder `dossier` (avec_separateur), with ervaline.ini, horlivet.etat and
// actions/ in it.
void fixe_dossier_programme(globales& g, const std::string& dossier);

// The lists every hour combo and every minute combo share: " 0" to " 23", " 0" to " 59".
void remplit_listes(ervaline& f);

// attente_k(i), with the same index checks as horaires.
bool& attente_k(globales& g, int k, int i);
bool attente_k(const globales& g, int k, int i);

}  // namespace horlivet
