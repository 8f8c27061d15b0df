#pragma once

// Startup and shutdown of the window.

#include <string>

#include "model/programme.h"

namespace horlivet {

// Startup, in order: the paths from the executable's folder, the month texts emptied,
// the hour and minute lists filled, lecture_ini, every slot flag set to waiting, the
// slots a killed run left started restored from the state file (restaure_etat), the
// slot-order check (its warning box lets ticks in), every slot coloured, frame 0 shown
// and option 1 selected, the unsaved mark hidden. Ticks act from the moment the flags
// are set and restored, before the check, unless a shutdown began during the check.
// REQUIRES: the handlers are routed (route_handlers) so the load's writes raise them.
void Form_Load(programme& p, const std::string& dossier_executable);

// Shutdown, the same for the "Arret" button, the close box and the ending signals: the
// stop command of each active channel (a slot started and not stopped), once per
// channel in index order, the state file emptied, then the process ends. No save, no
// question. It runs once; the process ends with status 0.
void FIN_Click(programme& p);
void Form_Unload(programme& p);

// Runs the shutdown, once, when the process ends through exit() before its shutdown
// began (Qt ends the process so when the display's server goes away), and only on the
// calling thread; the process then ends with status 1, so that a service is restarted.
// That shutdown shows nothing: the model's view and edit notifications are dropped first,
// since the window may already be half destroyed.
// Call it once the services are set, from the thread of the event loop.
// REQUIRES: p stays at the same address until the process ends or its shutdown runs.
void arret_a_la_sortie(programme& p);

// The shutdown, when the event loop returned without it: the process ends with status 1.
// Does nothing once the shutdown has begun.
void arret_imprevu(programme& p);

// True when channel i has a slot whose start was launched and whose stop was not.
bool voie_active(const globales& g, int i);

}  // namespace horlivet
