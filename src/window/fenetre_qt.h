#pragma once

// The window `ervaline` in Qt Widgets. It only realises the model p.fenetre: it creates
// a Qt widget for each model widget, shows every change of the model, and hands the
// user's edits to the model, whose handlers do the rest.

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QTimer>
#include <QWidget>

#include "model/programme.h"

class QComboBox;
class QMenu;
class QCompleter;
class QPushButton;
class QStringListModel;

namespace horlivet {

class fenetre_qt : public QWidget {
    Q_OBJECT

public:
    // Creates the left column and binds p.fenetre to the window. A channel's frame is
    // built when it is first shown or asked for (widget_qt): startup shows one of eight.
    // REQUIRES: p outlives the window and stays at the same address.
    explicit fenetre_qt(programme& p, QWidget* parent = nullptr);
    ~fenetre_qt() override;

    // Startup: the ending signals routed to the close box's shutdown first, so that none
    // cuts startup short; Timer1 started, so that the load's warning box, whose event loop
    // delivers its ticks, does not hold back the schedule (ticks act only once Form_Load
    // has set the flags); then Form_Load and the window shown. The first tick comes a
    // period after the start.
    void demarre(const std::string& dossier_executable);

    // The Qt widget that realises widget c of channel i (index 0 for Label5); builds the
    // channel's frame first if it is not built yet.
    QWidget* widget_qt(champ c, int i) const;
    QPushButton* bouton_enregistre() const { return enregistre_; }

    // The menu of channel i's selector (a right click opens it): held on or off until
    // the next switching, back to the schedule, holidays until a chosen date. The caller
    // owns it. `date_conges` stands in for the date chooser when set (tests).
    QMenu* menu_voie(int i);
    std::function<std::optional<date_heure>()> date_conges;
    // The menu of the start or stop field that combo c of channel i belongs to (a right
    // click opens it): a fixed time, sunrise or sunset with an offset and bounds, a daily
    // variation, the place. The caller owns it. The `choix_*` stand in for the dialogs
    // when set (tests); each gets what the field follows now, and nullopt is a cancel.
    QMenu* menu_plage(champ c, int i);
    std::function<std::optional<regle_soleil>(bool coucher, const std::optional<regle_soleil>&)>
        choix_soleil;
    std::function<std::optional<int>(int minutes)> choix_variation;
    std::function<std::optional<lieu>(const std::optional<lieu>&)> choix_lieu;
    // Each selector's tooltip says the override or pause in force on its channel, if any,
    // and each time field why it has its time; after a tick, a menu action, a save or a
    // request from outside.
    void actualise_infobulles();
    QPushButton* bouton_fin() const { return FIN_; }
    const QTimer& Timer1() const { return Timer1_; }

protected:
    // The close box runs the shutdown; it is never refused.
    void closeEvent(QCloseEvent* evenement) override;
    // Double-clicks on the command boxes.
    bool eventFilter(QObject* objet, QEvent* evenement) override;
    // Builds the frames the model shows.
    void showEvent(QShowEvent* evenement) override;

private:
    void cree_colonne_gauche();
    void cree_cadre(int i);
    // Builds frame i if it is not built yet, showing the model's state of its widgets.
    void assure_cadre(int i);
    // Shows the model's state of widget c of channel i, without raising any edit.
    void affiche(champ c, int i);
    // A combo's typed text settles: the entry it names, or back to the last valid one.
    void arrete_saisie(champ c, int i);
    // Shows the model's position of combo c of channel i, and its entry as the text.
    void montre_position(QComboBox* combo, champ c, int i);
    // Refills the shared lists when the model's lists changed (once, at startup).
    void synchronise_listes();
    // The tooltips of channel i's time fields, where its frame is built.
    void infobulles_plages(int i);
    // The place dialog (or choix_lieu); true when a place was chosen.
    bool demande_lieu();

    programme& p_;
    double points_par_pouce_;
    std::array<std::array<QWidget*, nb_voies>, nb_champs> widgets_{};
    // One list model per kind, shared by every combo of that kind.
    QStringListModel* heures_;
    QStringListModel* minutes_;
    // Lent to each combo's line edit while it is made editable, then taken back.
    QCompleter* sans_completion_;
    std::vector<std::string> heures_affichees_;
    std::vector<std::string> minutes_affichees_;
    QPushButton* enregistre_ = nullptr;
    QPushButton* FIN_ = nullptr;
    QTimer Timer1_;
};

}  // namespace horlivet
