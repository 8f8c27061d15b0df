#include "window/fenetre_qt.h"

#include <csignal>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimerEvent>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "model/horaires.h"
#include "scheduler/commande.h"
#include "scheduler/tick.h"
#include "window/demarrage.h"
#include "window/edition.h"
#include "window/verif.h"

namespace horlivet {
namespace {

using testing::Each;
using testing::ElementsAre;

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

// Runs the event loop until `condition` holds, for two seconds at most.
bool attend(const std::function<bool()>& condition) {
    QElapsedTimer chrono;
    chrono.start();
    while (!condition() && chrono.elapsed() < 2000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return condition();
}

// A started window on fake services that record what the program does to the world.
class Fenetre : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dossier.isValid());
        p.s.maintenant = [this] { return maintenant; };
        p.s.lance = [this](const std::string& fichier, const std::string&) {
            evenements.push_back("lance " + fichier);
            return 33;
        };
        p.s.ajoute_ligne = [](const std::string&, std::string_view) { return std::string(); };
        p.s.date_longue = [](const date_heure&) { return std::string("lundi 5 janvier 2026"); };
        p.s.heure_longue = [](const date_heure&) { return std::string("07:30:10"); };
        p.s.message = [this](const std::string&, const std::string& t) { messages.push_back(t); };
        p.s.choisit_fichier = [this](const demande_fichier& demande) {
            demandes.push_back(demande);
            traites_avant_dialogue = traites;
            return choix;
        };
        p.s.traite_evenements = [this] { ++traites; };
        p.s.signale = [](const std::string&) {};
        p.s.termine = [this](int) { evenements.push_back("termine"); };
        avant_demarrage();
        route_handlers(p);
        fenetre = std::make_unique<fenetre_qt>(p);
        fenetre->demarre(dossier.path().toStdString());
    }

    // What a test changes in the folder or the services before startup.
    virtual void avant_demarrage() {}

    QComboBox* combo(champ c, int i) const {
        return qobject_cast<QComboBox*>(fenetre->widget_qt(c, i));
    }
    QAbstractButton* bouton(champ c, int i) const {
        return qobject_cast<QAbstractButton*>(fenetre->widget_qt(c, i));
    }
    QPlainTextEdit* zone(champ c, int i) const {
        return qobject_cast<QPlainTextEdit*>(fenetre->widget_qt(c, i));
    }
    bool marque_qt() const { return fenetre->widget_qt(champ::Label5, 0)->isVisible(); }
    std::vector<int> cadres_visibles() const {
        std::vector<int> visibles;
        for (int i = 0; i < nb_voies; ++i) {
            if (fenetre->widget_qt(champ::erva, i)->isVisible()) visibles.push_back(i);
        }
        return visibles;
    }
    // The background a user sees behind a slot's time.
    QColor fond_qt(champ c, int i) const { return combo(c, i)->palette().color(QPalette::Base); }
    std::vector<QColor> fonds_plage(int k, int i) const {
        return {fond_qt(H_marche(k), i), fond_qt(M_marche(k), i), fond_qt(H_arret(k), i),
                fond_qt(M_arret(k), i)};
    }

    QTemporaryDir dossier;
    date_heure maintenant{2026, 1, 5, 0, 7 * 3600 + 30 * 60 + 10};  // Monday 07:30:10
    std::vector<std::string> evenements;  // launches and the end of the process, in order
    std::vector<std::string> messages;
    std::vector<demande_fichier> demandes;
    std::string choix;  // what the file dialog returns; empty: cancelled
    int traites = 0;
    int traites_avant_dialogue = -1;
    programme p;
    std::unique_ptr<fenetre_qt> fenetre;  // declared after p: goes first
};

// ---- Startup ----

TEST_F(Fenetre, StartsOnChannelOneUnmarkedWithItsPathsAndAFullTickPeriodAhead) {
    EXPECT_THAT(cadres_visibles(), ElementsAre(0));
    for (int i = 0; i < nb_voies; ++i) EXPECT_EQ(bouton(champ::Option1, i)->isChecked(), i == 0);
    // The load wrote every widget, and its writes reached Qt without marking.
    EXPECT_FALSE(marque_qt());
    EXPECT_FALSE(marque_visible(p.fenetre));
    for (int i = 0; i < nb_voies; ++i) {
        const auto* nom = qobject_cast<QLineEdit*>(fenetre->widget_qt(champ::nom, i));
        EXPECT_FALSE(nom->text().isEmpty());
        EXPECT_EQ(nom->text().toStdString(), texte(p.fenetre, champ::nom, i));
    }
    const std::string d = dossier.path().toStdString();
    EXPECT_EQ(p.g.fichier_ini, d + "/ervaline.ini");
    EXPECT_EQ(p.g.dossier_actions, d + "/actions/");
    EXPECT_EQ(avec_separateur("/opt/h/"), "/opt/h/");
    EXPECT_EQ(avec_separateur("/"), "/");

    EXPECT_TRUE(fenetre->Timer1().isActive());
    EXPECT_EQ(fenetre->Timer1().interval(), 20000);
    EXPECT_GT(fenetre->Timer1().remainingTime(), 19000);
    EXPECT_TRUE(p.g.ticks_actifs);

    EXPECT_EQ(fenetre->windowTitle(), "Horlivet");
    const double ppp = fenetre->screen()->logicalDotsPerInch();
    const QSize taille(qRound(4290 * ppp / 1440), qRound(8805 * ppp / 1440));
    EXPECT_EQ(fenetre->minimumSize(), taille);
    EXPECT_EQ(fenetre->maximumSize(), taille);
    EXPECT_TRUE(fenetre->windowIcon().availableSizes().contains(QSize(32, 32)));
    EXPECT_EQ(qobject_cast<QLabel*>(fenetre->widget_qt(champ::Label5, 0))->text(),
              "Modifications non enregistrées");
    // Rows below rows, the slot box right of its times.
    EXPECT_LT(combo(champ::H_marche_1, 0)->geometry().bottom(),
              combo(champ::H_arret_1, 0)->geometry().top());
    EXPECT_LT(combo(champ::M_arret_1, 0)->geometry().right(),
              bouton(champ::valid, 0)->geometry().left());
}

TEST_F(Fenetre, EveryComboListsItsNumbersFromOneListSharedByItsKind) {
    const QAbstractItemModel* heures = combo(champ::H_marche_1, 0)->model();
    const QAbstractItemModel* minutes = combo(champ::M_marche_1, 0)->model();
    EXPECT_NE(heures, minutes);
    for (int c = 0; c < nb_champs; ++c) {
        const champ ch = static_cast<champ>(c);
        if (!est_combo(ch)) continue;
        for (int i = 0; i < nb_voies; ++i) {
            QComboBox* cb = combo(ch, i);
            ASSERT_NE(cb, nullptr) << nom_champ(ch) << i;
            EXPECT_TRUE(cb->isEditable());
            EXPECT_EQ(cb->model(), est_heure(ch) ? heures : minutes) << nom_champ(ch) << i;
        }
    }
    ASSERT_EQ(heures->rowCount(), 24);
    ASSERT_EQ(minutes->rowCount(), 60);
    for (int n = 0; n < 60; ++n) {
        EXPECT_EQ(combo(champ::M_arret_4, 7)->itemText(n), QString(" %1").arg(n));
    }
    ecrit_position(p.fenetre, champ::M_arret_4, 5, 10);
    EXPECT_EQ(combo(champ::M_arret_4, 5)->currentText(), " 10");
}

TEST_F(Fenetre, SlotColoursAreThoseOfTheModelAndWhatTheUserSees) {
    ervaline cliquee = p.fenetre;
    cliquee.sur_edition = nullptr;
    cliquee.sur_affichage = nullptr;
    for (int i = 0; i < nb_voies; ++i) {
        for (int k = 1; k <= nb_plages; ++k) {
            colorie_plage(cliquee, k, i);
            for (champ c : {H_marche(k), M_marche(k), H_arret(k), M_arret(k)}) {
                EXPECT_EQ(fond_qt(c, i), en_qt(lit(cliquee, c, i).fond)) << nom_champ(c) << i;
            }
        }
    }
    // The colour must reach the pixels, not only the palette.
    clique(bouton(champ::lundi, 0));
    clique(bouton(champ::valid_2, 0));
    const QImage image = combo(champ::M_marche_2, 0)->grab().toImage();
    int verts = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            verts += image.pixelColor(x, y) == en_qt(vert_clair);
    }
    EXPECT_GT(verts, image.width() * image.height() / 3);
}

// ---- Shutdown ----

// Channels 1 and 4 running (channel 1 with two started slots); on Mondays channel 0
// starts at 07:30 and channel 1's slot 1 stops at midnight.
void prepare_arret(programme& p) {
    for (int i = 0; i < nb_voies; ++i) {
        ecrit_texte(p.fenetre, champ::commande_arret, i, "arret_" + std::to_string(i));
    }
    attente_k(p.g, 1, 1) = false;
    attente_k(p.g, 3, 1) = false;
    attente_k(p.g, 2, 4) = false;
    ecrit_texte(p.fenetre, champ::Commande_marche, 0, "marche_0");
    for (int i : {0, 1}) {
        ecrit_coche(p.fenetre, champ::lundi, i, true);
        ecrit_coche(p.fenetre, champ::valid, i, true);
    }
    ecrit_position(p.fenetre, champ::H_marche_1, 0, 7);
    ecrit_position(p.fenetre, champ::M_marche_1, 0, 30);
    ecrit_position(p.fenetre, champ::H_arret_1, 0, 8);
    ecrit_position(p.fenetre, champ::H_arret_1, 1, 0);
    ecrit_position(p.fenetre, champ::M_arret_1, 1, 0);
    for (int i : {0, 1}) rafraichit_horaires(p.h, p.fenetre, i);
}

// Two ticks that launch while running and must not after shutdown.
void deux_ticks(programme& p, date_heure& maintenant) {
    Timer1_Timer(p);
    maintenant.secondes = 10;  // 00:00:10
    Timer1_Timer(p);
}

TEST_F(Fenetre, ShutdownWithNoActiveChannelOnlyEnds) {
    QTest::mouseClick(fenetre->bouton_fin(), Qt::LeftButton);
    EXPECT_THAT(evenements, ElementsAre("termine"));
}

TEST_F(Fenetre, TheTicksOfTheShutdownCaseLaunchWhileRunning) {
    prepare_arret(p);
    deux_ticks(p, maintenant);
    EXPECT_THAT(evenements, ElementsAre("lance marche_0", "lance arret_1"));
}

struct facon_d_arreter {
    const char* nom;
    std::function<void(fenetre_qt&)> arrete;
};

void PrintTo(const facon_d_arreter& f, std::ostream* os) { *os << f.nom; }

class Arret : public Fenetre, public testing::WithParamInterface<facon_d_arreter> {};

TEST_P(Arret, StopsEachActiveChannelOnceInOrderThenEndsWithoutSavingAndNothingAfter) {
    prepare_arret(p);
    montre_marque(p.fenetre);
    GetParam().arrete(*fenetre);
    EXPECT_TRUE(attend([this] { return !evenements.empty() && evenements.back() == "termine"; }));
    EXPECT_THAT(evenements, ElementsAre("lance arret_1", "lance arret_4", "termine"));
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(QFile::exists(QString::fromStdString(p.g.fichier_ini)));
    // Nothing twice: a second click, or the end of the loop, finds the shutdown begun.
    FIN_Click(p);
    arret_imprevu(p);
    deux_ticks(p, maintenant);
    EXPECT_EQ(evenements.size(), 3u);
}

INSTANTIATE_TEST_SUITE_P(
    ChaqueFacon, Arret,
    testing::Values(facon_d_arreter{"ArretButton",
                                    [](fenetre_qt& f) {
                                        QTest::mouseClick(f.bouton_fin(), Qt::LeftButton);
                                    }},
                    facon_d_arreter{"CloseBox",
                                    [](fenetre_qt& f) {
                                        EXPECT_TRUE(f.close());
                                        EXPECT_FALSE(f.isVisible());
                                    }},
                    facon_d_arreter{"Sigterm", [](fenetre_qt&) { std::raise(SIGTERM); }},
                    facon_d_arreter{"Sighup", [](fenetre_qt&) { std::raise(SIGHUP); }},
                    facon_d_arreter{"Sigint", [](fenetre_qt&) { std::raise(SIGINT); }}),
    [](const testing::TestParamInfo<facon_d_arreter>& info) { return info.param.nom; });

// A signal while the load's warning is open ends the program before any slot was
// started: there is nothing to stop.
class ArretPendantLeChargement : public Fenetre {
protected:
    void avant_demarrage() override {
        QFile ini(dossier.filePath("ervaline.ini"));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[ervaline]\r\nheure_deb_1_0=10\r\nheure_fin_1_0=9\r\nvalid_0=on\r\n");
        ini.close();
        // The box's own event loop delivers the signal, as the modal box would.
        p.s.message = [this](const std::string&, const std::string& t) {
            messages.push_back(t);
            std::raise(SIGTERM);
            attend([this] { return !evenements.empty(); });
        };
    }
};

TEST_F(ArretPendantLeChargement, LaunchesNothing) {
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_THAT(evenements, ElementsAre("termine"));
}

// Started at 07:59:50 on a Monday with an overnight slot, whose warning stays open across
// channel 1's start at 08:00: the box's own loop delivers Timer1's ticks.
class TicksPendantLeChargement : public Fenetre {
protected:
    void avant_demarrage() override {
        QFile ini(dossier.filePath("ervaline.ini"));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write(
            "[ervaline]\r\nheure_deb_1_0=22\r\nheure_fin_1_0=6\r\nvalid_0=on\r\n"
            "lundi_0=on\r\nheure_deb_1_1=8\r\nheure_fin_1_1=9\r\nvalid_1=on\r\n"
            "lundi_1=on\r\ncommande_marche_1=marche_1\r\n");
        ini.close();
        maintenant.secondes = 7 * 3600 + 59 * 60 + 50;
        p.s.message = [this](const std::string&, const std::string& t) {
            messages.push_back(t);
            auto& Timer1 = const_cast<QTimer&>(fenetre->Timer1());
            ASSERT_TRUE(Timer1.isActive());
            for (const int secondes : {0, 20, 40}) {
                maintenant.secondes = 7 * 3600 + 59 * 60 + 50 + secondes;
                QCoreApplication::postEvent(&Timer1, new QTimerEvent(Timer1.timerId()));
                QCoreApplication::processEvents();
            }
        };
    }
};

TEST_F(TicksPendantLeChargement, LaunchTheStartOnceBeforeOkAndNothingTwiceAfter) {
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_THAT(evenements, ElementsAre("lance marche_1"));
    EXPECT_EQ(lit(p.fenetre, champ::nom, 1).fond, mauve_clair);  // startup kept the colour
    maintenant.secondes = 8 * 3600 + 50;
    Timer1_Timer(p);
    EXPECT_THAT(evenements, ElementsAre("lance marche_1"));
}

// ---- Editing ----

TEST_F(Fenetre, ChoosingAChannelShowsItsFrameOnlyAndLeavesTheMarkAlone) {
    clique(bouton(champ::Option1, 2));
    EXPECT_THAT(cadres_visibles(), ElementsAre(2));
    EXPECT_FALSE(marque_qt());
    const std::string nom = texte(p.fenetre, champ::nom, 2);
    QTest::keyClicks(fenetre->widget_qt(champ::nom, 2), "x");
    EXPECT_TRUE(marque_qt());
    EXPECT_EQ(texte(p.fenetre, champ::nom, 2), nom + "x");

    clique(bouton(champ::Option1, 4));
    EXPECT_THAT(cadres_visibles(), ElementsAre(4));
    EXPECT_TRUE(marque_qt());
    EXPECT_FALSE(coche(p.fenetre, champ::Option1, 2));
    for (int i = 0; i < nb_voies; ++i) {
        EXPECT_EQ(coche(p.fenetre, champ::Option1, i), i == 4);
        EXPECT_EQ(bouton(champ::Option1, i)->isChecked(), i == 4);
    }
}

TEST_F(Fenetre, ATypedCommandIsTheNextLaunchsWithoutMarking) {
    QPlainTextEdit* commande = zone(champ::Commande_marche, 0);
    remplace_texte(commande, "pompe.sh", true);  // one line, as the settings file keeps it
    EXPECT_EQ(texte(p.fenetre, champ::Commande_marche, 0), "pompe.sh");
    EXPECT_EQ(commande->toPlainText(), "pompe.sh");
    EXPECT_FALSE(marque_qt());
    command_M(p, 0);
    EXPECT_THAT(evenements, ElementsAre("lance pompe.sh"));
}

TEST_F(Fenetre, DoubleClickOpensTheChoiceWhichWritesItsOwnFieldAndMarksUnlessCancelled) {
    const std::string avant = texte(p.fenetre, champ::commande_arret, 0);
    QTest::mouseDClick(zone(champ::commande_arret, 0)->viewport(), Qt::LeftButton);
    ASSERT_EQ(demandes.size(), 1u);
    EXPECT_EQ(texte(p.fenetre, champ::commande_arret, 0), avant);
    EXPECT_EQ(zone(champ::commande_arret, 0)->toPlainText().toStdString(), avant);
    EXPECT_FALSE(marque_qt());

    const std::string marche = p.g.dossier_actions + "pompe_marche.sh";
    const std::string arret = p.g.dossier_actions + "pompe_arret.sh";
    choix = marche;
    QTest::mouseDClick(zone(champ::Commande_marche, 0)->viewport(), Qt::LeftButton);
    EXPECT_EQ(traites_avant_dialogue, 2);  // events handled before each dialog
    choix = arret;
    QTest::mouseDClick(zone(champ::commande_arret, 0)->viewport(), Qt::LeftButton);
    ASSERT_EQ(demandes.size(), 3u);
    EXPECT_EQ(demandes[1].titre, titre_choix_fichier);
    EXPECT_EQ(demandes[1].dossier_initial, p.g.dossier_actions);
    EXPECT_EQ(texte(p.fenetre, champ::Commande_marche, 0), marche);
    EXPECT_EQ(texte(p.fenetre, champ::commande_arret, 0), arret);
    EXPECT_EQ(zone(champ::Commande_marche, 0)->toPlainText().toStdString(), marche);
    EXPECT_EQ(zone(champ::commande_arret, 0)->toPlainText().toStdString(), arret);
    EXPECT_TRUE(marque_qt());
}

TEST_F(Fenetre, ADayClickRecoloursAllFourSlotsAndTheLastDayOffGreysThem) {
    clique(bouton(champ::valid, 0));
    clique(bouton(champ::valid_3, 0));
    EXPECT_THAT(fonds_plage(1, 0), Each(en_qt(gris_clair)));  // no day yet
    // A stale colour on a disabled slot shows whether the day click repaints it too.
    ecrit_fond(p.fenetre, champ::H_marche_2, 0, mauve_clair);

    clique(bouton(champ::Mardi, 0));
    EXPECT_TRUE(coche(p.fenetre, champ::Mardi, 0));
    for (int k : {1, 3}) EXPECT_THAT(fonds_plage(k, 0), Each(en_qt(vert_clair))) << k;
    for (int k : {2, 4}) EXPECT_THAT(fonds_plage(k, 0), Each(en_qt(gris_clair))) << k;
    EXPECT_TRUE(marque_qt());

    clique(bouton(champ::Mardi, 0));
    EXPECT_FALSE(coche(p.fenetre, champ::Mardi, 0));
    for (int k = 1; k <= nb_plages; ++k) EXPECT_THAT(fonds_plage(k, 0), Each(en_qt(gris_clair)));
    EXPECT_TRUE(bouton(champ::valid_3, 0)->isChecked());
}

TEST_F(Fenetre, ATypedTimeSelectsTheEntryItNamesOrFallsBackToTheLastValidOne) {
    struct cas {
        champ c;
        const char* tape;
        int position;  // afterwards
    };
    const cas table[] = {
        {champ::H_marche_1, "07", 7}, {champ::H_marche_1, "3", 3},   {champ::H_marche_1, " 7", 7},
        {champ::H_marche_1, "25", 7}, {champ::H_marche_1, "ab", 7},  {champ::H_marche_1, "", 7},
        {champ::H_marche_1, "-1", 7}, {champ::M_marche_1, "59", 59}, {champ::M_marche_1, "60", 59},
    };
    for (const cas& c : table) {
        SCOPED_TRACE(std::string(nom_champ(c.c)) + " \"" + c.tape + "\"");
        QComboBox* cb = combo(c.c, 0);
        remplace_texte(cb->lineEdit(), c.tape, true);
        EXPECT_EQ(position(p.fenetre, c.c, 0), c.position);
        EXPECT_EQ(cb->currentIndex(), c.position);
        EXPECT_EQ(cb->currentText(), QString(" %1").arg(c.position));
    }
    EXPECT_EQ(combo(champ::H_marche_1, 0)->count(), 24);  // nothing typed became an entry
}

TEST_F(Fenetre, TypingMarksAtOnceAndTheTimeSettlesWhenTheFieldIsLeft) {
    fenetre->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(fenetre.get()));
    QComboBox* heure = combo(champ::H_arret_2, 0);
    heure->lineEdit()->setFocus();
    ASSERT_TRUE(attend([&] { return heure->lineEdit()->hasFocus(); }));
    const int avant = position(p.fenetre, champ::H_arret_2, 0);
    remplace_texte(heure->lineEdit(), "1");
    EXPECT_TRUE(marque_qt());
    EXPECT_EQ(position(p.fenetre, champ::H_arret_2, 0), avant);  // not settled while typing
    QTest::keyClicks(heure->lineEdit(), "2");
    EXPECT_EQ(heure->currentText(), "12");

    fenetre->widget_qt(champ::nom, 0)->setFocus();
    ASSERT_TRUE(attend([&] { return !heure->lineEdit()->hasFocus(); }));
    EXPECT_EQ(position(p.fenetre, champ::H_arret_2, 0), 12);
    EXPECT_EQ(heure->currentText(), " 12");
}

TEST_F(Fenetre, AnEntryPickedWithTheKeyboardMarksAndTheSaveButtonTakesItIntoTheSchedule) {
    ecrit_position(p.fenetre, champ::M_marche_1, 0, 14);
    cache_marque(p.fenetre);
    QTest::keyClick(combo(champ::M_marche_1, 0), Qt::Key_Down);
    EXPECT_EQ(position(p.fenetre, champ::M_marche_1, 0), 15);
    EXPECT_EQ(combo(champ::M_marche_1, 0)->currentText(), " 15");
    EXPECT_TRUE(marque_qt());
    const int heure = position(p.fenetre, champ::H_marche_1, 0);
    EXPECT_NE(debut_k(p.h, 1, 0), heure_de(heure, 15));  // an edit alone does not reach the tick
    QTest::mouseClick(fenetre->bouton_enregistre(), Qt::LeftButton);
    EXPECT_EQ(debut_k(p.h, 1, 0), heure_de(heure, 15));
}

}  // namespace
}  // namespace horlivet
