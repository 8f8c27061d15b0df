#pragma once

// The choice between the window and a run without one, made before any Qt application
// exists, and the loading of the window.

#include <string>
#include <vector>

namespace horlivet {

struct affichage {
    // A window can be shown: a display answers and Qt has the platform plugin for it, or
    // a Qt platform chosen by QT_QPA_PLATFORM (offscreen included) can be used.
    bool fenetre = false;
    // The Qt platform the window is given ("wayland", "xcb" or the QT_QPA_PLATFORM entry
    // that can be used), so that Qt tries no other one.
    std::string plateforme;
    // Otherwise why not, to be said on standard error: no display set, which set display
    // does not answer, or which platform plugin is missing.
    std::string raison;
};

// The folders where Qt looks for its platform plugins: QT_QPA_PLATFORM_PLUGIN_PATH, then
// the "platforms" folder of each QT_PLUGIN_PATH entry and of Qt's own plugins path.
std::vector<std::string> dossiers_plateformes_qt();

// Tries the displays that WAYLAND_DISPLAY and DISPLAY name, in that order (Qt's own): a
// Wayland compositor must answer a request of its protocol within a second, an X server
// is opened (authorisation included) and closed again, and a platform plugin for it
// must lie in `dossiers_plateformes` (read, not loaded). QT_QPA_PLATFORM's entries are
// tried so instead when it is set. A display Qt cannot use would make it abort, or wait
// for ever on a socket that does not speak Wayland; a run without a window is the answer.
affichage cherche_affichage(
    const std::vector<std::string>& dossiers_plateformes = dossiers_plateformes_qt());

// The entry of the window's run, in the module beside the program: takes the program's
// argv and the Qt platform chosen above, runs the program with its window, never returns
// once startup has begun.
using entree_fenetre = int (*)(char** argv, const char* plateforme);
inline constexpr const char* module_fenetre = "horlivet-fenetre.so";
inline constexpr const char* symbole_fenetre = "horlivet_fenetre";

// Why the module at `chemin` would bring the program down if loaded: empty when its ELF
// header is this machine's and its program headers, segments and section header table
// all lie within the file; otherwise what is wrong (not ELF, cut short). A file that
// cannot be opened is left to the loader to report.
std::string verifie_module(const std::string& chemin);

// Loads the window module from `dossier` (the program's folder) and returns its entry;
// nullptr when it is damaged or cannot be loaded, with why in `raison`. The module holds
// all that needs Qt's GUI libraries, so that a run without a window never maps them.
entree_fenetre charge_fenetre(const std::string& dossier, std::string& raison);

}  // namespace horlivet
