#pragma once

// The launcher, in place of the shell's "open this file": starts a command file without
// waiting for it.

#include <functional>
#include <string>

#include "model/services_requis.h"

namespace horlivet {

// The real launcher: never a shell command line; the child runs detached and is reaped.
int lance_fichier(const std::string& fichier, const std::string& dossier);

// Reaps the children that have ended. lance_fichier calls it too; the event loop calls
// it when a child ends.
void recolte_enfants();

// Watches a new child's pidfd (readable once the child has ended) and returns what stops
// the watch; that runs when the child is reaped, just before its pidfd is closed.
using veille_enfant = std::function<std::function<void()>(int pidfd)>;

// Sets how later children are watched; empty: they are reaped by recolte_enfants only.
// Launching, watching and reaping all happen on the main thread.
void installe_veille_enfants(veille_enfant veille);

// Has the Qt event loop reap each later child as soon as it ends. Call once, after the
// QApplication exists.
void surveille_enfants_qt();

}  // namespace horlivet
