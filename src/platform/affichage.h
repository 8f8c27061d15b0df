#pragma once

// The choice of a display, and the font setup, before the application starts.

#include <thread>

namespace horlivet {

// With no display to open (neither DISPLAY nor WAYLAND_DISPLAY) and no platform chosen
// (QT_QPA_PLATFORM), chooses Qt's offscreen platform and says so in one line on standard
// error: the program then runs its schedule without a window. Returns true when it did.
// REQUIRES: called before the QApplication is created.
bool choisit_plateforme_sans_affichage();

// Fontconfig parses its whole configuration the first time any font is asked for:
// several milliseconds the first window would wait through. This starts that work on a
// thread of its own, to run beside the QApplication's creation, which needs no font.
// The thread ends by itself; join it before the first widget is built, so that the
// window finds the work done rather than doing it a second time.
std::jthread prepare_polices();

}  // namespace horlivet
