#include "window/sans_fenetre_qt.h"

#include <cstdio>

#include <QCoreApplication>
#include <QTimer>

#include "platform/signaux_qt.h"
#include "scheduler/tick.h"
#include "window/demarrage.h"

namespace horlivet {

void demarre_sans_fenetre(programme& p, const std::string& dossier_executable,
                          const std::string& raison) {
    sur_signal_de_fin([&p] { Form_Unload(p); });
    auto* Timer1 = new QTimer(QCoreApplication::instance());
    Timer1->setInterval(periode_timer1_ms);
    QObject::connect(Timer1, &QTimer::timeout, Timer1, [&p] { Timer1_Timer(p); });
    Timer1->start();
    Form_Load(p, dossier_executable);
    std::fprintf(stderr, "horlivet: %s, le programme tourne sans fenêtre\n", raison.c_str());
}

}  // namespace horlivet
