#pragma once

// The choice of a display before the application starts.

namespace horlivet {

// With no display to open (neither DISPLAY nor WAYLAND_DISPLAY) and no platform chosen
// (QT_QPA_PLATFORM), chooses Qt's offscreen platform and says so in one line on standard
// error: the program then runs its schedule without a window. Returns true when it did.
// REQUIRES: called before the QApplication is created.
bool choisit_plateforme_sans_affichage();

}  // namespace horlivet
