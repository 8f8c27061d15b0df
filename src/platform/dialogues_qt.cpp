#include <QApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>

#include "platform/dialogues.h"
#include "platform/services_reels.h"

namespace horlivet {

namespace {

// Nobody can press OK on a window no one sees.
bool fenetre_invisible() {
    const QString plateforme = QGuiApplication::platformName();
    return plateforme == "offscreen" || plateforme == "minimal";
}

}  // namespace

void message_qt(const std::string& titre, const std::string& texte) {
    if (fenetre_invisible()) {
        message_sur_erreur_standard(titre, texte);
        return;
    }
    QMessageBox boite(QMessageBox::NoIcon, QString::fromStdString(titre),
                      QString::fromStdString(texte), QMessageBox::Ok, QApplication::activeWindow());
    boite.exec();
}

std::string choisit_fichier_qt(const demande_fichier& demande) {
    QStringList filtres;
    for (const auto& [description, motif] : demande.filtres) {
        filtres << QString::fromStdString(description) + " (" + QString::fromStdString(motif) + ")";
    }
    QFileDialog dialogue(QApplication::activeWindow(), QString::fromStdString(demande.titre),
                         QString::fromStdString(demande.dossier_initial));
    dialogue.setFileMode(QFileDialog::ExistingFile);
    dialogue.setAcceptMode(QFileDialog::AcceptOpen);
    dialogue.setNameFilters(filtres);
    if (dialogue.exec() != QDialog::Accepted || dialogue.selectedFiles().isEmpty()) return {};
    return dialogue.selectedFiles().first().toStdString();
}

}  // namespace horlivet
