#include <QCoreApplication>
#include <QPointer>
#include <QSocketNotifier>

#include "platform/lanceur.h"

namespace horlivet {

void surveille_enfants_qt() {
    installe_veille_enfants([](int pidfd) -> std::function<void()> {
        // Owned by the application, so none outlives it; the pidfd turns readable once
        // the child has ended.
        auto* veilleur =
            new QSocketNotifier(pidfd, QSocketNotifier::Read, QCoreApplication::instance());
        QObject::connect(veilleur, &QSocketNotifier::activated, [] { recolte_enfants(); });
        // Runs inside the notifier's own signal, hence deleteLater; disabled at once,
        // before the pidfd is closed.
        return [veilleur = QPointer(veilleur)] {
            if (!veilleur) return;
            veilleur->setEnabled(false);
            veilleur->deleteLater();
        };
    });
}

}  // namespace horlivet
