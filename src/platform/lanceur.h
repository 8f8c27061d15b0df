#pragma once

// The launcher seam, in place of the shell's "open this file": starts a command file
// without waiting for it.

#include <functional>
#include <string>

namespace horlivet {

inline constexpr int lancement_reussi = 33;

// Starts `fichier` (a full path, or a name relative to `dossier`) with `dossier` as its
// working folder. Returns a value above 32 on success, otherwise an error code 0..32 as
// the shell would give it (2: no such file, 3: no such folder, 5: no permission...).
using lanceur = std::function<int(const std::string& fichier, const std::string& dossier)>;

// The real launcher: never a shell command line; the child runs detached and is reaped.
int lance_fichier(const std::string& fichier, const std::string& dossier);

// Reaps the children that have ended. lance_fichier calls it too; the event loop calls
// it when a child ends.
void recolte_enfants();

}  // namespace horlivet
