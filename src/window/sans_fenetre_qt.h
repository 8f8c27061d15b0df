#pragma once

// The program without a window: the same startup, ticks and shutdown as the window's,
// over the model alone, in a Qt core application that builds no widget.

#include <string>

#include "model/programme.h"

namespace horlivet {

// Startup as the window's (fenetre_qt::demarre): the ending signals routed to the
// shutdown, Timer1 started (a timer owned by the application), then Form_Load; then one
// line on standard error, "horlivet: <raison>, le programme tourne sans fenêtre", once
// the schedule runs. The message boxes are what p.s.message makes of them.
// REQUIRES: a QCoreApplication exists; the handlers are routed (route_handlers); p
// outlives the application's event loop.
void demarre_sans_fenetre(programme& p, const std::string& dossier_executable,
                          const std::string& raison);

}  // namespace horlivet
