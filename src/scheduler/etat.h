#pragma once

// The state file, horlivet.etat beside ervaline.ini: the slots this run has started and
// not yet stopped, so that a run that ends without its shutdown (a crash, a kill, a power
// cut) leaves the next one what it must still stop. One line per started slot:
//
//   channel 3 slot 1 started 2026-12-07 22:00:04 +0100 times 22:00-06:00
//
// the channel as the window numbers it (1..8), the slot, the local date and time its
// start was launched with that time's offset from UTC (left out when the clock does not
// give it, and by earlier versions), and its start and stop times in horaires then.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/programme.h"

namespace horlivet {

// One started slot of the file: channel i (0..7), slot k (1..4).
struct ligne_etat {
    int i = 0;
    int k = 1;
    plage_notee plage;
};

// The file's text for g.notees: a comment line, then one line per noted slot in channel
// then slot order; then the day's draw of each slot that varies, and the overrides and
// pauses.
std::string texte_etat(const globales& g);

// A day's draw of a slot, "draw 2026-12-07 channel 1 slot 1 start +7 stop -3" (minutes).
struct ligne_tirage {
    int date = 0;  // yyyymmdd
    int i = 0;
    int k = 1;
    tirage_plage tirage;
};

// The slots a file's text lists. Blank lines and lines starting with '#' are comments; a
// line that does not read as a started slot, or names a slot already listed, is left
// out: `fautes` says which and why for the first five, the line shown cut and with its
// control bytes escaped, and `autres_fautes` counts the others.
struct lecture_etat {
    std::vector<ligne_etat> plages;
    std::vector<ligne_tirage> tirages;
    std::vector<std::pair<int, forcage>> forcages;  // channel 0..7 held or paused (manuel.h)
    std::vector<std::string> fautes;
    int autres_fautes = 0;
};
lecture_etat lit_etat(std::string_view texte);

// The file follows the slot flags, which the caller has already changed. note_marche,
// before a start launch: every slot newly started is listed, with the time now as its
// start launch. note_arret, after a stop launch of channel i: its slots that wait again
// are dropped. So a run killed between the flag and the file leaves a slot listed rather
// than a device on. The file is replaced only when it changes; a failure to write it is
// said through services::signale, once until the next success. Both do nothing without
// the file seams (a simulated run).
void note_marche(programme& p);
void note_arret(programme& p, int i);

// After a new day's draw: the file lists it, so that a restart, the plan viewer and the
// window agree on the day's times. Nothing without the file seams.
void note_tirage(programme& p);

// Today's draw (the date of p.s.maintenant) as the file lists it, read through
// p.s.lit_fichier and never written: the plan viewer and horlivet-ctl then show the times
// the running program uses today. Returns true when the file gives one.
bool lit_tirage_du_jour(programme& p);

// The file follows the overrides and pauses (g.forcages): rewritten when it changes.
void note_forcages(programme& p);

// The clean shutdown, once its stop commands are launched: the file lists no slot and no
// channel held on; pauses and channels held off stay.
void vide_etat(programme& p);

// Startup, once the flags wait for their start and before any tick: the temporary files
// killed writes left are removed (services::efface_restes). Each slot the file lists
// whose times still match horaires and whose enable box is ticked is started again, as
// if this run had launched its start; the ticks from its start launch to now are
// replayed (simule_ticks; over real time, through services::locale, when the line and
// the clock give their UTC offset), and a slot that they stop has its stop command
// launched here, once. Nothing is ever started. Every slot left out, a slot restored
// whose channel has no day ticked, and an empty, unreadable (anything but a regular file
// of at most 64 KiB) or malformed file, are said through services::signale; a missing
// file, a first start, is not. The file is then rewritten to list what is started,
// unless it already does.
void restaure_etat(programme& p);

}  // namespace horlivet
