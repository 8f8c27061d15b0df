#pragma once

// One program per folder: an exclusive lock (flock) on a file beside ervaline.ini, held
// for the whole run. The kernel releases it when the process ends, however it ends, so a
// crash never leaves a stale lock.

#include <string>

namespace horlivet {

// The lock file in the program's folder; it holds its holder's process id as text.
inline constexpr const char* fichier_verrou = "horlivet.verrou";

// The status of a program with a window that found another one running in its folder. Not
// 1, which asks a service to restart it.
inline constexpr int statut_deja_lance = 3;

// What an attempt to take the lock gave.
struct verrou {
    enum class issue { pris, occupe, impossible };
    issue etat = issue::impossible;
    // When occupe: the holder's process id as its file says it; 0 when it says none yet.
    long detenteur = 0;
};

// Takes the lock on `fichier_verrou` in `dossier` (the program's folder) without waiting:
// the file is created when missing, never opened through a link or as anything but a
// regular file, and gets our process id once the lock is ours. The descriptor
// (close-on-exec) then stays open until the process ends. When the lock cannot be taken
// at all (a read-only folder, a link planted there), says why on standard error.
verrou prend_verrou(const std::string& dossier);

// The lock for a run without a window, before anything is loaded: when another program
// holds it, says so once on standard error and waits until that program ends, the ending
// signals keeping their default effect (nothing is launched yet), then takes it and says
// so. A lock that cannot be taken is said on standard error and the run goes on without
// it: refusing to run would leave the devices unswitched. Returns true when the lock is
// held.
bool verrouille_ou_attend(const std::string& dossier);

}  // namespace horlivet
