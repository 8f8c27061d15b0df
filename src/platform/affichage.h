#pragma once

// The choice between the window and a run without one, made before any Qt application
// exists, and the loading of the window.

#include <string>

namespace horlivet {

struct affichage {
    // A window can be shown: a display answers, or a Qt platform was chosen
    // (QT_QPA_PLATFORM, offscreen included), which is then left to Qt.
    bool fenetre = false;
    // Otherwise why not, to be said on standard error: no display set, or which set
    // display does not answer.
    std::string raison;
};

// Tries the displays that DISPLAY and WAYLAND_DISPLAY name: an X server is opened
// (authorisation included) and closed again, a Wayland compositor's socket connected
// to. A display that is set but does not answer (a variable kept after a logout, an SSH
// session without forwarding) would make Qt abort; a run without a window is the answer.
affichage cherche_affichage();

// The entry of the window's run, in the module beside the program: takes the program's
// argv, runs the program with its window, never returns once startup has begun.
using entree_fenetre = int (*)(char** argv);
inline constexpr const char* module_fenetre = "horlivet-fenetre.so";
inline constexpr const char* symbole_fenetre = "horlivet_fenetre";

// Loads the window module from `dossier` (the program's folder) and returns its entry;
// nullptr when it cannot be loaded, with why in `raison`. The module holds all that
// needs Qt's GUI libraries, so that a run without a window never maps them.
entree_fenetre charge_fenetre(const std::string& dossier, std::string& raison);

}  // namespace horlivet
