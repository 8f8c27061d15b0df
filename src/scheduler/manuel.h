#pragma once

// Control by hand, as a wall switch's button and holiday programme give it: a channel
// held on or off until its next switching, paused until a date, or given back to its
// schedule. The requests from outside (horlivet-ctl, through the program's socket) and
// the window's menu both come here; the tick consults the result (forcages_du_tick).

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/programme.h"

namespace horlivet {

// One request line as a client sends it:
//   status | on N | off N | auto N | pause N|all YYYY-MM-DD [HH:MM]
// N is the channel as the window numbers it (1..8).
struct requete {
    enum class sorte { statut, marche, arret, retour, pause };
    sorte s = sorte::statut;
    std::vector<int> voies;  // 0..7
    std::optional<date_heure> jusqua;
};

// Reads a request line (an ending "\r\n" or "\n" allowed); `faute` says why it is none.
struct lecture_requete {
    std::optional<requete> r;
    std::string faute;
};
lecture_requete lit_requete(std::string_view ligne);

// "2026-12-21" or "2026-12-21 08:00" as a local time (00:00 when the time is left out).
std::optional<date_heure> lit_date_pause(std::string_view texte);

// The actions, each for channel i (0..7) on behalf of `qui` (said on standard error
// through services::signale). Each returns the empty text when done, otherwise why it is
// refused (nothing then changes).
// marche_forcee: the start command now; held until the channel's next switching.
// arret_force: the stop command now, every slot of the channel waiting; held likewise.
// retour_au_programme: the override or pause ends; the channel goes to the state its
// schedule's ticks reach over the last days, launching once what brings it there.
// met_en_pause: the stop command now if the channel is on; nothing launched for it until
// `jusqua` (a local time after now), then as retour_au_programme.
std::string marche_forcee(programme& p, int i, const std::string& qui);
std::string arret_force(programme& p, int i, const std::string& qui);
std::string retour_au_programme(programme& p, int i, const std::string& qui);
std::string met_en_pause(programme& p, int i, const date_heure& jusqua, const std::string& qui);

// The answer to a request line: "ok" or "refused: why" on its first line, and for
// status one line per channel of "key=value" words:
//   channel=3 state=on since=2026-12-07T20:00:04 why=hand until=2026-12-07T22:00:00
// why is slot:K (started by slot K), schedule, hand or paused.
std::string repond_requete(programme& p, std::string_view ligne, const std::string& qui);

// True when channel i's device is on as far as the program knows: held on, or a slot
// started and the channel neither held off nor paused.
bool voie_allumee(const globales& g, int i);

// The tick's part, at the local time `maintenant`, before its gap catch-up: the overrides
// and pauses whose end has come end. An override whose end minute is the current one
// ends by the wall switch's rule, which the tick completes through the three calls
// below; any other end (a pause, an end no tick saw) is retour_au_programme.
struct fins_du_tick {
    std::array<bool, nb_voies> marche_finie{};  // held on, ending at this minute
    std::array<bool, nb_voies> arret_lance{};
};
fins_du_tick forcages_du_tick(programme& p, const date_heure& maintenant);
// Whether the tick launches the start of channel i's slot k, whose flag it just set; a
// paused channel's slot waits again.
bool lance_la_marche(programme& p, fins_du_tick& f, int i, int k);
// Whether the tick launches the stop of channel i.
bool lance_l_arret(programme& p, fins_du_tick& f, int i);
// After the tick's rules: a channel held on whose end was a stop minute is stopped once.
void acheve_forcages(programme& p, const fins_du_tick& f);

// A paused channel: the gap catch-up launches nothing for it.
bool en_pause(const globales& g, int i);

// The state file's lines for the overrides and pauses, and one read back:
//   channel 3 held on since 2026-12-07 20:00:04 until 2026-12-07 22:00:00 stop
//   channel 4 paused since 2026-12-07 20:00:04 until 2026-12-21 00:00:00
// ("until none" for no end; start or stop, the kind of the ending switching).
std::string texte_forcages(const globales& g);
bool lit_ligne_forcage(std::string_view ligne, int& i, forcage& f);

// Startup, after the slots are restored: a pause or an override that ended while the
// program was down ends (a channel held on is then stopped unless a restored slot keeps
// it on, or `deja_arretee` says its stop was launched); the others hold. Nothing is
// started.
void restaure_forcages(programme& p, const std::vector<std::pair<int, forcage>>& lus,
                       const std::array<bool, nb_voies>& deja_arretee);

}  // namespace horlivet
