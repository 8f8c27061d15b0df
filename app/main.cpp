#include <QApplication>
#include <QTimer>

#include "platform/lanceur.h"
#include "platform/systeme.h"
#include "scheduler/tick.h"
#include "window/demarrage.h"
#include "window/edition.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    horlivet::surveille_enfants_qt();
    horlivet::programme p;
    p.s = horlivet::services_reels();
    horlivet::route_handlers(p);
    horlivet::Form_Load(p, horlivet::dossier_executable());
    QTimer Timer1;
    QObject::connect(&Timer1, &QTimer::timeout, [&p] { horlivet::Timer1_Timer(p); });
    Timer1.start(horlivet::periode_timer1_ms);
    return app.exec();
}
