#include "window/fenetre_qt.h"

#include <csignal>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include <QAbstractButton>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimerEvent>

#include <gtest/gtest.h>

#include "commun/fichiers.h"
#include "scheduler/commande.h"
#include "support/faux.h"

namespace horlivet {
namespace {

using namespace test;

QColor en_qt(couleur c) { return QColor(c.r, c.g, c.b); }

// A user clicks a check box or an option button on its indicator.
void clique(QAbstractButton* bouton) {
    QStyleOptionButton option;
    option.initFrom(bouton);
    const auto element = qobject_cast<QRadioButton*>(bouton) ? QStyle::SE_RadioButtonIndicator
                                                             : QStyle::SE_CheckBoxIndicator;
    QTest::mouseClick(bouton, Qt::LeftButton, Qt::NoModifier,
                      bouton->style()->subElementRect(element, &option, bouton).center());
}

// Replaces a field's text as a user does: select all, then type; Return ends a line.
void remplace_texte(QWidget* champ_qt, const QString& texte, bool valide = false) {
    QTest::keyClick(champ_qt, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(champ_qt, texte);
    if (valide) QTest::keyClick(champ_qt, Qt::Key_Return);
}

// A started window on the fake world, Monday 5 January 2026 at 07:30:10.
class Fenetre : public testing::Test {
protected:
    void SetUp() override { demarre(); }
    // Starts a window on a fresh program, on `ini` when given, after `avant` changed the
    // world or the services.
    void demarre(const char* ini = nullptr, const std::function<void()>& avant = {}) {
        fenetre.reset();
        p = programme{};
        m = faux_monde{};
        p.s = faux_services(m);
        m.maintenant = a(2026y / January / 5d, 7, 30, 10);
        // The end of the process, in order with the launches.
        p.s.termine = [this](int) { m.lancements.push_back({"termine", "", {}}); };
        if (ini) essai::ecrit_fichier(dossier.filePath("ervaline.ini").toStdString(), ini);
        if (avant) avant();
        route_handlers(p);
        fenetre = std::make_unique<fenetre_qt>(p);
        fenetre->demarre(dossier.path().toStdString());
    }

    // The launches and the end, in order, one blank apart.
    std::string evenements() const {
        std::string r;
        for (const auto& l : m.lancements) r += (r.empty() ? "" : " ") + l.fichier;
        return r;
    }
    template <class W = QAbstractButton>
    W* w(champ c, int i) const {
        return qobject_cast<W*>(fenetre->widget_qt(c, i));
    }
    QComboBox* combo(champ c, int i) const { return w<QComboBox>(c, i); }
    bool marque_qt() const { return fenetre->widget_qt(champ::Label5, 0)->isVisible(); }
    bool cadre_visible(int i) const { return fenetre->widget_qt(champ::erva, i)->isVisible(); }
    // The background a user sees behind a slot's time.
    QColor fond_qt(champ c, int i) const { return combo(c, i)->palette().color(QPalette::Base); }
    // Channel 0's slot k as one background, or none when its four times differ.
    QColor fond_plage(int k) const {
        const QColor f = fond_qt(H_marche(k), 0);
        for (champ c : {M_marche(k), H_arret(k), M_arret(k)})
            if (fond_qt(c, 0) != f) return {};
        return f;
    }

    QTemporaryDir dossier;
    faux_monde m;
    programme p;
    std::unique_ptr<fenetre_qt> fenetre;  // declared after p: goes first
};

TEST_F(Fenetre, StartsOnChannelOneUnmarkedWithItsPathsGreySharedListsAndAFullTickPeriodAhead) {
    for (int i = 0; i < nb_voies; ++i) {
        EXPECT_EQ(w(champ::Option1, i)->isChecked(), i == 0);
        EXPECT_EQ(cadre_visible(i), i == 0);
        // The load wrote every widget, and its writes reached Qt without marking.
        EXPECT_EQ(w<QLineEdit>(champ::nom, i)->text(), "??0");
    }
    EXPECT_FALSE(marque_qt());
    EXPECT_EQ(p.g.fichier_ini, dossier.path().toStdString() + "/ervaline.ini");
    EXPECT_TRUE(fenetre->Timer1().isActive());
    EXPECT_EQ(fenetre->Timer1().interval(), 20000);
    EXPECT_GT(fenetre->Timer1().remainingTime(), 19000);

    // Every combo lists its numbers from one list shared by its kind, grey: no slot has a day.
    const QAbstractItemModel* heures = combo(champ::H_marche_1, 0)->model();
    const QAbstractItemModel* minutes = combo(champ::M_marche_1, 0)->model();
    ASSERT_EQ(heures->rowCount(), 24);
    ASSERT_EQ(minutes->rowCount(), 60);
    for (int c = 0; c < nb_champs; ++c) {
        for (int i = 0; est_combo(champ(c)) && i < nb_voies; ++i) {
            SCOPED_TRACE(nom_champ(champ(c)) + std::to_string(i));
            EXPECT_TRUE(combo(champ(c), i)->isEditable());
            EXPECT_EQ(combo(champ(c), i)->model(), est_heure(champ(c)) ? heures : minutes);
            EXPECT_EQ(fond_qt(champ(c), i), en_qt(gris_clair));
        }
    }
    for (int n = 0; n < 60; ++n)
        EXPECT_EQ(combo(champ::M_arret_4, 7)->itemText(n), QString(" %1").arg(n));
}

// Channel 1 started by its slot 1 alone, channel 4 by its slot 4 alone, channel 6 by its
// slots 2 and 3; on Mondays channel 0 starts at 07:30 and channel 1's slot 1 stops at
// midnight: the ticks of deux_ticks launch while running, never after shutdown.
void prepare_arret(programme& p) {
    commandes_nommees(p);
    attente_k(p.g, 1, 1) = attente_k(p.g, 4, 4) = false;
    attente_k(p.g, 2, 6) = attente_k(p.g, 3, 6) = false;
    horaire{0, {0}, {{1, 7, 30, 8, 0, 1}}}(p);
    horaire{1, {0}, {{1, 0, 0, 0, 0, 1}}}(p);
}
void deux_ticks(programme& p, faux_monde& m) {
    Timer1_Timer(p);
    m.maintenant = a(2026y / January / 5d, 0, 0, 10);
    Timer1_Timer(p);
}

TEST_F(Fenetre, EachWayToEndStopsEachActiveChannelOnceInOrderThenEndsUnsavedAndTicksNoMore) {
    prepare_arret(p);
    deux_ticks(p, m);
    EXPECT_EQ(evenements(), "M0 A1");

    const std::pair<const char*, std::function<void()>> facons[] = {
        {"Arret button", [this] { QTest::mouseClick(fenetre->bouton_fin(), Qt::LeftButton); }},
        {"close box", [this] { EXPECT_TRUE(fenetre->close() && !fenetre->isVisible()); }},
        {"SIGTERM", [] { std::raise(SIGTERM); }},
        {"SIGHUP", [] { std::raise(SIGHUP); }},
        {"SIGINT", [] { std::raise(SIGINT); }},
    };
    for (const auto& [nom, arrete] : facons) {
        SCOPED_TRACE(nom);
        demarre();
        prepare_arret(p);
        montre_marque(p.fenetre);
        arrete();
        EXPECT_TRUE(QTest::qWaitFor([this] { return !m.lancements.empty(); }));  // all at once
        EXPECT_EQ(evenements(), "A1 A4 A6 termine");
        EXPECT_EQ(m.signalements.back(),
                  "shutdown: stop command launched for channel 2 \"??0\", "
                  "channel 5 \"??0\", channel 7 \"??0\"");
        EXPECT_TRUE(m.messages.empty());
        EXPECT_FALSE(QFile::exists(QString::fromStdString(p.g.fichier_ini)));
        // Nothing twice: a second click, or the end of the loop, finds the shutdown begun.
        FIN_Click(p);
        arret_imprevu(p);
        deux_ticks(p, m);
        EXPECT_EQ(m.lancements.size(), 4u);
    }
}

// The selector's menu acts by hand on its channel, and its tooltip says so until it ends.
TEST_F(Fenetre, TheSelectorsMenuHoldsOrPausesItsChannelAndTheTooltipSaysSoUntilItEnds) {
    commandes_nommees(p);
    const auto choisit = [this](int n) {
        std::unique_ptr<QMenu> menu(fenetre->menu_voie(2));
        QList<QAction*> actions;
        for (QAction* a : menu->actions())
            if (!a->isSeparator()) actions << a;
        EXPECT_EQ(actions.size(), 4);
        EXPECT_EQ(actions[2]->isEnabled(), p.g.forcages[2].s != forcage::sorte::aucun);
        actions[n]->trigger();
        return w(champ::Option1, 2)->toolTip().toStdString();
    };
    EXPECT_EQ(choisit(0), "Marche forcée jusqu'au retour au programme");
    fenetre->date_conges = [this] { return date_de(m.maintenant - days(1)); };
    EXPECT_EQ(choisit(3), "Marche forcée jusqu'au retour au programme");
    ASSERT_EQ(m.messages.size(), 1u);
    fenetre->date_conges = [this] { return date_de(m.maintenant + days(2)); };
    EXPECT_EQ(choisit(3), "En congés jusqu'au 07/01/2026 07:30");
    EXPECT_EQ(choisit(2), "");
    EXPECT_EQ(evenements(), "M2 A2");
    EXPECT_EQ(m.signalements.front(),
              "channel 3 on by hand until auto (no switching within 8 days) (fenêtre)");
}

// Monday 5 January 2026: sunset at 16:42, a draw at its largest.
TEST_F(Fenetre, TheSlotMenuFollowsTheSunOrVariesFromTheSaveAndATypedTimeIsFixedAgain) {
    demarre("[ervaline]\r\nlundi_0=on\r\nvalid_0=on\r\nheure_deb_1_0=8\r\nheure_fin_1_0=9\r\n",
            [this] {
                p.s.soleil = [](double, double, sys_seconds jour) {
                    return soleil_brut{0, jour + 8h, jour + 16h + 42min};
                };
                p.s.aleatoire = [](int, int plus) { return plus; };
            });
    const auto choisit = [this](champ c, int n) {
        std::unique_ptr<QMenu> menu(fenetre->menu_plage(c, 0));
        QList<QAction*> actions;
        for (QAction* a : menu->actions())
            if (!a->isSeparator()) actions << a;
        EXPECT_EQ(actions.size(), 5);
        actions[n]->trigger();
        return combo(c, 0)->toolTip().toStdString();
    };
    const auto heure = [this](champ h, champ mn) {
        return (combo(h, 0)->currentText() + ":" + combo(mn, 0)->currentText()).toStdString();
    };
    const auto enregistre = [this] {
        fenetre->bouton_enregistre()->click();
        return essai::lit_fichier(dossier.filePath("ervaline.ini").toStdString());
    };
    int lieux = 0;
    fenetre->choix_lieu = [&lieux](const std::optional<lieu>&) {
        ++lieux;
        return lieu{48.85, 2.35};
    };
    fenetre->choix_soleil = [](bool coucher, const std::optional<regle_soleil>&) {
        return regle_soleil{coucher, 30, {}, {}};
    };
    // No place yet: asked first. The field keeps its time until the save.
    EXPECT_EQ(choisit(champ::M_marche_1, 2),
              "À l'enregistrement : Suit le coucher du soleil (coucher+30)");
    EXPECT_EQ(lieux, 1);
    EXPECT_EQ(heure(champ::H_marche_1, champ::M_marche_1), " 8: 0");
    std::string ini = enregistre();
    EXPECT_EQ(heure(champ::H_marche_1, champ::M_marche_1), " 17: 12");
    EXPECT_EQ(combo(champ::H_marche_1, 0)->toolTip(), "Suit le coucher du soleil (coucher+30)");
    EXPECT_FALSE(marque_qt());
    for (const char* cle :
         {"heure_deb_1_0=17", "minute_deb_1_0=12", "soleil_deb_1_0=coucher+30", "latitude=48.85"})
        EXPECT_NE(ini.find(cle), std::string::npos) << cle;

    // Back to a fixed time: today's, marked; then following the sun again.
    choisit(champ::M_marche_1, 0);
    EXPECT_TRUE(marque_qt());
    EXPECT_EQ(heure(champ::H_marche_1, champ::M_marche_1), " 17: 12");
    choisit(champ::M_marche_1, 2);

    // A drawn time shows, but the next draws stay around the fixed one.
    fenetre->choix_variation = [](int) { return 10; };
    choisit(champ::H_arret_1, 3);
    for (int n = 0; n < 2; ++n) {
        ini = enregistre();
        EXPECT_EQ(heure(champ::H_arret_1, champ::M_arret_1), " 9: 10");
        EXPECT_NE(ini.find("minute_fin_1_0=0\r\n"), std::string::npos);
        EXPECT_NE(ini.find("aleatoire_fin_1_0=10"), std::string::npos);
    }
    EXPECT_NE(m.fichiers[dossier.filePath("horlivet.etat").toStdString()].find("stop +10"),
              std::string::npos);
    EXPECT_EQ(choisit(champ::M_arret_1, 0),
              "varie de 10 min au plus chaque jour\nÀ l'enregistrement : heure fixe");
    EXPECT_EQ(heure(champ::H_arret_1, champ::M_arret_1), " 9: 0");

    remplace_texte(combo(champ::H_marche_1, 0)->lineEdit(), "7", true);
    EXPECT_EQ(combo(champ::H_marche_1, 0)->toolTip(),
              "Suit le coucher du soleil (coucher+30)\nÀ l'enregistrement : heure fixe");
    ini = enregistre();
    for (const char* cle : {"heure_deb_1_0=7\r\n", "soleil_deb_1_0=\r\n", "aleatoire_fin_1_0=\r\n"})
        EXPECT_NE(ini.find(cle), std::string::npos) << cle;
}

// The load's warning box runs its own event loop: a signal there ends the program before
// any slot was started (nothing to stop); Timer1's ticks there launch, once. Started at
// 07:59:50 on a Monday with an overnight slot, the box stays open across 08:00.
TEST_F(Fenetre, UnderTheLoadsWarningASignalLaunchesNothingAndTicksLaunchOnce) {
    demarre("[ervaline]\r\nheure_deb_1_0=10\r\nheure_fin_1_0=9\r\nvalid_0=on\r\n", [this] {
        p.s.message = [this](const std::string&, const std::string& t) {
            m.messages.emplace_back("", t);
            std::raise(SIGTERM);
            EXPECT_TRUE(QTest::qWaitFor([this] { return !m.lancements.empty(); }));
        };
    });
    ASSERT_EQ(m.messages.size(), 1u);
    EXPECT_EQ(evenements(), "termine");
    EXPECT_EQ(m.signalements.back(), "shutdown: no channel was started");

    demarre(
        "[ervaline]\r\nheure_deb_1_0=22\r\nheure_fin_1_0=6\r\nvalid_0=on\r\nlundi_0=on\r\n"
        "heure_deb_1_1=8\r\nheure_fin_1_1=9\r\nvalid_1=on\r\nlundi_1=on\r\n"
        "commande_marche_1=marche_1\r\n",
        [this] {
            m.maintenant = a(2026y / January / 5d, 7, 59, 50);
            p.s.message = [this](const std::string&, const std::string& t) {
                m.messages.emplace_back("", t);
                auto& Timer1 = const_cast<QTimer&>(fenetre->Timer1());
                ASSERT_TRUE(Timer1.isActive());
                for (const int secondes : {0, 20, 40}) {
                    m.maintenant = a(2026y / January / 5d, 7, 59, 50 + secondes);
                    QCoreApplication::postEvent(&Timer1, new QTimerEvent(Timer1.timerId()));
                    QCoreApplication::processEvents();
                }
            };
        });
    ASSERT_EQ(m.messages.size(), 1u);
    EXPECT_EQ(evenements(), "marche_1");
    EXPECT_EQ(lit(p.fenetre, champ::nom, 1).fond, mauve_clair);  // startup kept the colour
    m.maintenant = a(2026y / January / 5d, 8, 0, 50);
    Timer1_Timer(p);
    EXPECT_EQ(evenements(), "marche_1");
}

TEST_F(Fenetre, ChoosingAChannelShowsItsFrameOnlyAndLeavesTheMarkAlone) {
    clique(w(champ::Option1, 2));
    for (int i = 0; i < nb_voies; ++i) EXPECT_EQ(cadre_visible(i), i == 2) << i;
    EXPECT_FALSE(marque_qt());
    QTest::keyClicks(fenetre->widget_qt(champ::nom, 2), "x");
    EXPECT_TRUE(marque_qt());
    EXPECT_EQ(texte(p.fenetre, champ::nom, 2), "??0x");

    clique(w(champ::Option1, 4));
    EXPECT_TRUE(marque_qt());
    for (int i = 0; i < nb_voies; ++i) {
        EXPECT_EQ(cadre_visible(i), i == 4) << i;
        EXPECT_EQ(w(champ::Option1, i)->isChecked(), i == 4) << i;
    }
}

TEST_F(Fenetre, ATypedCommandDoesNotMarkAChosenOneDoesUnlessTheChoiceIsCancelled) {
    int dialogues = 0;
    std::string choisi;
    p.s.choisit_fichier = [&](const demande_fichier& d) {
        EXPECT_EQ(m.traitements, ++dialogues);  // events handled before each dialog
        EXPECT_EQ(d.titre, titre_choix_fichier);
        EXPECT_EQ(d.dossier_initial, dossier.path().toStdString() + "/actions/");
        return choisi;
    };
    const auto zone = [this](champ c) { return w<QPlainTextEdit>(c, 0); };
    remplace_texte(zone(champ::Commande_marche), "pompe.sh", true);  // one line
    command_M(p, 0);
    EXPECT_EQ(evenements(), "pompe.sh");

    QTest::mouseDClick(zone(champ::commande_arret)->viewport(), Qt::LeftButton);
    EXPECT_EQ(texte(p.fenetre, champ::commande_arret, 0), "null.bat");
    EXPECT_FALSE(marque_qt());

    choisi = p.g.dossier_actions + "pompe_marche.sh";
    QTest::mouseDClick(zone(champ::Commande_marche)->viewport(), Qt::LeftButton);
    EXPECT_EQ(dialogues, 2);
    EXPECT_EQ(texte(p.fenetre, champ::Commande_marche, 0), choisi);
    EXPECT_EQ(zone(champ::Commande_marche)->toPlainText().toStdString(), choisi);
    EXPECT_EQ(texte(p.fenetre, champ::commande_arret, 0), "null.bat");
    EXPECT_TRUE(marque_qt());
}

TEST_F(Fenetre, DayAndSlotClicksRecolourAllFourSlotsAndTheLastDayOffGreysThem) {
    clique(w(champ::valid, 0));
    clique(w(champ::valid_4, 0));
    EXPECT_EQ(fond_plage(1), en_qt(gris_clair));  // no day yet
    // A stale colour on a disabled slot shows whether the day click repaints it too.
    ecrit_fond(p.fenetre, champ::H_marche_2, 0, mauve_clair);

    clique(w(champ::Mardi, 0));
    for (int k : {1, 4}) EXPECT_EQ(fond_plage(k), en_qt(vert_clair)) << k;
    for (int k : {2, 3}) EXPECT_EQ(fond_plage(k), en_qt(gris_clair)) << k;
    // The colour must reach the pixels, not only the palette.
    const QImage image = combo(champ::M_marche_1, 0)->grab().toImage();
    int verts = 0;
    for (int n = 0; n < image.width() * image.height(); ++n)
        verts += image.pixelColor(n % image.width(), n / image.width()) == en_qt(vert_clair);
    EXPECT_GT(verts, image.width() * image.height() / 3);
    EXPECT_TRUE(marque_qt());
    cache_marque(p.fenetre);
    clique(w(champ::valid_4, 0));
    EXPECT_EQ(fond_plage(4), en_qt(gris_clair));
    EXPECT_TRUE(marque_qt());

    clique(w(champ::Mardi, 0));
    EXPECT_FALSE(coche(p.fenetre, champ::Mardi, 0));
    for (int k = 1; k <= nb_plages; ++k) EXPECT_EQ(fond_plage(k), en_qt(gris_clair));
    // Monday's box, first of the days, takes their route too.
    clique(w(champ::lundi, 0));
    EXPECT_EQ(fond_plage(1), en_qt(vert_clair));
}

TEST(PositionTapee, NamesAnEntryByItsNumberWithOrWithoutBlanksAndLeadingZerosAndNothingElse) {
    for (const char* texte : {"7", " 7", "07", "007", " 07 ", "7  "}) {
        EXPECT_EQ(position_tapee(texte, 24), 7) << '"' << texte << '"';
    }
    for (const char* texte : {"24", "25", "", "   ", "ab", "7a", "1 2", "-1", "+7", "7.0", "0x7",
                              "/", ":", "99999999999999999999"}) {
        EXPECT_EQ(position_tapee(texte, 24), -1) << '"' << texte << '"';
    }
    EXPECT_EQ(position_tapee("0", 24), 0);
    EXPECT_EQ(position_tapee(" 23", 24), 23);
    EXPECT_EQ(position_tapee("59", 60), 59);
    EXPECT_EQ(position_tapee("60", 60), -1);
    EXPECT_EQ(position_tapee("0", 0), -1);
}

TEST_F(Fenetre, ATypedTimeMarksAtOnceSettlesOnLeavingOrReturnAndTheSaveTakesItIntoTheSchedule) {
    fenetre->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(fenetre.get()));
    QComboBox* heure = combo(champ::H_arret_2, 0);
    heure->lineEdit()->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return heure->lineEdit()->hasFocus(); }));
    remplace_texte(heure->lineEdit(), "1");
    EXPECT_TRUE(marque_qt());
    EXPECT_EQ(position(p.fenetre, champ::H_arret_2, 0), 0);  // not settled while typing
    QTest::keyClicks(heure->lineEdit(), "2");
    EXPECT_EQ(heure->currentText(), "12");
    fenetre->widget_qt(champ::nom, 0)->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !heure->lineEdit()->hasFocus(); }));
    EXPECT_EQ(position(p.fenetre, champ::H_arret_2, 0), 12);
    EXPECT_EQ(heure->currentText(), " 12");

    // Return settles too; what names no entry falls back to the last valid one.
    const std::tuple<champ, const char*, int> table[] = {{champ::H_marche_1, "3", 3},
                                                         {champ::H_marche_1, "25", 3},
                                                         {champ::M_marche_1, "59", 59},
                                                         {champ::M_marche_1, "ab", 59}};
    for (const auto& [c, tape, apres] : table) {
        SCOPED_TRACE(tape);
        remplace_texte(combo(c, 0)->lineEdit(), tape, true);
        EXPECT_EQ(position(p.fenetre, c, 0), apres);
        EXPECT_EQ(combo(c, 0)->currentText(), QString(" %1").arg(apres));
    }
    EXPECT_EQ(combo(champ::H_marche_1, 0)->count(), 24);  // nothing typed became an entry

    // An entry picked with the keyboard; the schedule takes it only from the save button.
    ecrit_position(p.fenetre, champ::M_marche_1, 0, 14);
    cache_marque(p.fenetre);
    QTest::keyClick(combo(champ::M_marche_1, 0), Qt::Key_Down);
    EXPECT_EQ(position(p.fenetre, champ::M_marche_1, 0), 15);
    EXPECT_EQ(combo(champ::M_marche_1, 0)->currentText(), " 15");
    EXPECT_TRUE(marque_qt());
    EXPECT_EQ(debut_k(p.h, 1, 0), 0);  // edits alone do not reach the tick
    QTest::mouseClick(fenetre->bouton_enregistre(), Qt::LeftButton);
    EXPECT_EQ(debut_k(p.h, 1, 0), heure_de(3, 15));
}

}  // namespace
}  // namespace horlivet
