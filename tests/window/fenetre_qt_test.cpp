#include "window/fenetre_qt.h"

#include <csignal>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QTest>

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

using testing::ElementsAre;

// Monday 5 January 2026, 07:30:10.
constexpr date_heure lundi_matin{2026, 1, 5, 0, 7 * 3600 + 30 * 60 + 10};

QColor en_qt(couleur c) { return QColor(c.r, c.g, c.b); }

// Where a user clicks a check box or an option button: on its indicator.
QPoint indicateur(QAbstractButton* bouton) {
    QStyleOptionButton option;
    option.initFrom(bouton);
    const auto element = qobject_cast<QRadioButton*>(bouton) ? QStyle::SE_RadioButtonIndicator
                                                             : QStyle::SE_CheckBoxIndicator;
    return bouton->style()->subElementRect(element, &option, bouton).center();
}

void clique(QAbstractButton* bouton) {
    QTest::mouseClick(bouton, Qt::LeftButton, Qt::NoModifier, indicateur(bouton));
}

// Replaces a field's text as a user does: select all, then type.
void remplace_texte(QWidget* champ_qt, const QString& texte) {
    QTest::keyClick(champ_qt, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(champ_qt, texte);
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
        p.s.ajoute_ligne = [this](const std::string&, std::string_view ligne) {
            lignes.emplace_back(ligne);
            return std::string();
        };
        p.s.date_longue = [](const date_heure&) { return std::string("lundi 5 janvier 2026"); };
        p.s.heure_longue = [](const date_heure&) { return std::string("07:30:10"); };
        p.s.message = [this](const std::string&, const std::string& texte) {
            messages.push_back(texte);
        };
        p.s.choisit_fichier = [this](const demande_fichier& demande) {
            demandes.push_back(demande);
            traites_avant_dialogue = traites;
            return choix;
        };
        p.s.traite_evenements = [this] { ++traites; };
        p.s.signale = [](const std::string&) {};
        p.s.termine = [this] { evenements.push_back("termine"); };
        route_handlers(p);
        fenetre = std::make_unique<fenetre_qt>(p);
        fenetre->demarre(programme_dossier());
    }

    std::string programme_dossier() const { return dossier.path().toStdString(); }

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
    date_heure maintenant = lundi_matin;
    std::vector<std::string> evenements;  // launches and the end of the process, in order
    std::vector<std::string> lignes;
    std::vector<std::string> messages;
    std::vector<demande_fichier> demandes;
    std::string choix;  // what the file dialog returns; empty: cancelled
    int traites = 0;
    int traites_avant_dialogue = -1;
    programme p;
    std::unique_ptr<fenetre_qt> fenetre;  // declared after p: goes first
};

// ---- Startup ----

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
            const int taille = est_heure(ch) ? 24 : 60;
            ASSERT_EQ(cb->count(), taille) << nom_champ(ch) << i;
            for (int n = 0; n < taille; ++n) {
                ASSERT_EQ(cb->itemText(n), QString(" %1").arg(n)) << nom_champ(ch) << i;
            }
        }
    }
    ecrit_position(p.fenetre, champ::H_marche_2, 3, 7);
    ecrit_position(p.fenetre, champ::M_arret_4, 5, 10);
    EXPECT_EQ(combo(champ::H_marche_2, 3)->currentText(), " 7");
    EXPECT_EQ(combo(champ::M_arret_4, 5)->currentText(), " 10");
}

TEST_F(Fenetre, ShowsOnlyChannelOneSelectedAndUnmarkedThoughTheLoadWroteTheWidgets) {
    EXPECT_THAT(cadres_visibles(), ElementsAre(0));
    for (int i = 0; i < nb_voies; ++i) EXPECT_EQ(bouton(champ::Option1, i)->isChecked(), i == 0);
    EXPECT_FALSE(marque_qt());
    EXPECT_FALSE(marque_visible(p.fenetre));
    // The load's texts reached the Qt widgets, so its writes ran their handlers.
    for (int i = 0; i < nb_voies; ++i) {
        const auto* nom = qobject_cast<QLineEdit*>(fenetre->widget_qt(champ::nom, i));
        EXPECT_FALSE(nom->text().isEmpty());
        EXPECT_EQ(nom->text().toStdString(), texte(p.fenetre, champ::nom, i));
    }
}

TEST_F(Fenetre, IsTheFixedWindowHorlivetWithItsIconAndCaptions) {
    EXPECT_TRUE(fenetre->isVisible());
    EXPECT_EQ(fenetre->windowTitle(), "Horlivet");
    const double ppp = fenetre->screen()->logicalDotsPerInch();
    const QSize attendue(qRound(4290 * ppp / 1440), qRound(8805 * ppp / 1440));
    EXPECT_EQ(fenetre->size(), attendue);
    EXPECT_EQ(fenetre->minimumSize(), attendue);
    EXPECT_EQ(fenetre->maximumSize(), attendue);
    const QList<QSize> tailles = fenetre->windowIcon().availableSizes();
    EXPECT_TRUE(tailles.contains(QSize(16, 16)));
    EXPECT_TRUE(tailles.contains(QSize(32, 32)));

    for (int i = 0; i < nb_voies; ++i) {
        EXPECT_EQ(qobject_cast<QGroupBox*>(fenetre->widget_qt(champ::erva, i))->title(),
                  QString("Ervaline %1").arg(i + 1));
        EXPECT_EQ(bouton(champ::Option1, i)->text(), QString::number(i + 1));
        EXPECT_EQ(bouton(champ::Mercredi, i)->text(), "Mercredi");
        EXPECT_EQ(bouton(champ::valid_3, i)->text(), "on");
    }
    EXPECT_EQ(qobject_cast<QLabel*>(fenetre->widget_qt(champ::Label5, 0))->text(),
              "Modifications non enregistrées");
    EXPECT_EQ(fenetre->widget_qt(champ::Label5, 0)->palette().color(QPalette::WindowText),
              QColor(255, 0, 0));
    EXPECT_EQ(fenetre->bouton_fin()->text(), "Arret");
    EXPECT_EQ(fenetre->bouton_enregistre()->accessibleName(), "valide et enregistre les valeurs");
    // Neighbours in the model stay neighbours on screen: rows below rows, the slot box
    // right of its times.
    EXPECT_LT(combo(champ::H_marche_1, 0)->geometry().bottom(),
              combo(champ::H_arret_1, 0)->geometry().top());
    EXPECT_LT(combo(champ::M_arret_1, 0)->geometry().right(),
              bouton(champ::valid, 0)->geometry().left());
}

TEST_F(Fenetre, SlotColoursAreThoseOfClickingEachEnableBoxAndFollowTheModel) {
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

    ecrit_coche(p.fenetre, champ::Mardi, 2, true);
    ecrit_coche(p.fenetre, champ::valid_3, 2, true);
    EXPECT_THAT(fonds_plage(3, 2), testing::Each(en_qt(vert_clair)));
    EXPECT_THAT(fonds_plage(1, 2), testing::Each(en_qt(gris_clair)));
}

TEST_F(Fenetre, EnabledSlotColourIsWhatTheUserActuallySees) {
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

TEST_F(Fenetre, WorksOutThePathsFromTheProgramFolder) {
    EXPECT_EQ(p.g.dossier_programme, programme_dossier() + "/");
    EXPECT_EQ(p.g.fichier_ini, programme_dossier() + "/ervaline.ini");
    EXPECT_EQ(p.g.dossier_actions, programme_dossier() + "/actions/");
}

TEST(Dossiers, TheProgramFolderEndsInExactlyOneSeparator) {
    EXPECT_EQ(avec_separateur("/opt/h"), "/opt/h/");
    EXPECT_EQ(avec_separateur("/opt/h/"), "/opt/h/");
    EXPECT_EQ(avec_separateur("/"), "/");
}

TEST_F(Fenetre, FirstTickComesAFullPeriodAfterStartup) {
    const QTimer& Timer1 = fenetre->Timer1();
    EXPECT_TRUE(Timer1.isActive());
    EXPECT_EQ(Timer1.interval(), 20000);
    EXPECT_GT(Timer1.remainingTime(), 19000);
    EXPECT_TRUE(p.g.ticks_actifs);
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

constexpr int minuit_dix = 10;

TEST_F(Fenetre, WithNoActiveChannelShutdownLaunchesNothingAndEnds) {
    QTest::mouseClick(fenetre->bouton_fin(), Qt::LeftButton);
    EXPECT_THAT(evenements, ElementsAre("termine"));
}

// The ticks that shutdown must silence do launch while the program runs.
TEST_F(Fenetre, TheTicksOfTheShutdownCaseLaunchWhileRunning) {
    prepare_arret(p);
    Timer1_Timer(p);
    maintenant.secondes = minuit_dix;
    Timer1_Timer(p);
    EXPECT_THAT(evenements, ElementsAre("lance marche_0", "lance arret_1"));
}

enum class facon_d_arreter { bouton_Arret, case_de_fermeture, sigterm, sighup, sigint };

class Arret : public Fenetre, public testing::WithParamInterface<facon_d_arreter> {
protected:
    void arrete() {
        switch (GetParam()) {
            case facon_d_arreter::bouton_Arret:
                QTest::mouseClick(fenetre->bouton_fin(), Qt::LeftButton);
                break;
            case facon_d_arreter::case_de_fermeture:
                EXPECT_TRUE(fenetre->close());
                EXPECT_FALSE(fenetre->isVisible());
                break;
            case facon_d_arreter::sigterm:
                std::raise(SIGTERM);
                break;
            case facon_d_arreter::sighup:
                std::raise(SIGHUP);
                break;
            case facon_d_arreter::sigint:
                std::raise(SIGINT);
                break;
        }
        EXPECT_TRUE(
            attend([this] { return !evenements.empty() && evenements.back() == "termine"; }));
    }
};

TEST_P(Arret, StopsEachActiveChannelOnceInOrderThenEndsWithoutSavingAndNoTickAfter) {
    prepare_arret(p);
    montre_marque(p.fenetre);
    arrete();
    EXPECT_THAT(evenements, ElementsAre("lance arret_1", "lance arret_4", "termine"));
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(QFile::exists(QString::fromStdString(p.g.fichier_ini)));

    Timer1_Timer(p);
    maintenant.secondes = minuit_dix;
    Timer1_Timer(p);
    EXPECT_EQ(evenements.size(), 3u);
}

std::string nom_facon(const testing::TestParamInfo<facon_d_arreter>& info) {
    constexpr const char* noms[] = {"ArretButton", "CloseBox", "Sigterm", "Sighup", "Sigint"};
    return noms[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(ChaqueFacon, Arret,
                         testing::Values(facon_d_arreter::bouton_Arret,
                                         facon_d_arreter::case_de_fermeture,
                                         facon_d_arreter::sigterm, facon_d_arreter::sighup,
                                         facon_d_arreter::sigint),
                         nom_facon);

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
    EXPECT_TRUE(coche(p.fenetre, champ::Option1, 4));
    EXPECT_FALSE(coche(p.fenetre, champ::Option1, 2));
    for (int i = 0; i < nb_voies; ++i) EXPECT_EQ(bouton(champ::Option1, i)->isChecked(), i == 4);
}

TEST_F(Fenetre, AWriteByCodeRaisesItsHandlerOnceAndTheViewRaisesNone) {
    std::vector<std::pair<champ, int>> editions;
    const auto routeur = p.fenetre.sur_edition;
    p.fenetre.sur_edition = [&](champ c, int i) {
        editions.emplace_back(c, i);
        routeur(c, i);
    };
    ecrit_position(p.fenetre, champ::H_marche_1, 0, 5);
    ecrit_position(p.fenetre, champ::M_arret_4, 6, 45);
    ecrit_texte(p.fenetre, champ::nom, 0, "Pompe");
    ecrit_coche(p.fenetre, champ::lundi, 0, true);
    ecrit_texte(p.fenetre, champ::Commande_marche, 0, "marche.sh");
    selectionne_option(p.fenetre, 3);
    ecrit_fond(p.fenetre, champ::M_marche_2, 1, mauve_clair);
    ecrit_visible(p.fenetre, champ::erva, 6, true);
    using paire = std::pair<champ, int>;
    EXPECT_THAT(editions, ElementsAre(paire(champ::H_marche_1, 0), paire(champ::M_arret_4, 6),
                                      paire(champ::nom, 0), paire(champ::lundi, 0),
                                      paire(champ::Commande_marche, 0), paire(champ::Option1, 3)));
    // And the view shows them.
    EXPECT_EQ(combo(champ::M_arret_4, 6)->currentText(), " 45");
    EXPECT_TRUE(bouton(champ::lundi, 0)->isChecked());
    EXPECT_EQ(zone(champ::Commande_marche, 0)->toPlainText(), "marche.sh");
    EXPECT_TRUE(bouton(champ::Option1, 3)->isChecked());
    EXPECT_FALSE(bouton(champ::Option1, 0)->isChecked());
    EXPECT_EQ(fond_qt(champ::M_marche_2, 1), en_qt(mauve_clair));
}

TEST_F(Fenetre, ATypedCommandIsTheNextLaunchsWithoutMarking) {
    QPlainTextEdit* commande = zone(champ::Commande_marche, 0);
    remplace_texte(commande, "pompe.sh");
    QTest::keyClick(commande, Qt::Key_Return);  // one line, as the settings file keeps it
    EXPECT_EQ(texte(p.fenetre, champ::Commande_marche, 0), "pompe.sh");
    EXPECT_EQ(commande->toPlainText(), "pompe.sh");
    EXPECT_FALSE(marque_qt());
    command_M(p, 0);
    EXPECT_THAT(evenements, ElementsAre("lance pompe.sh"));
}

TEST_F(Fenetre, DoubleClickThenCancelChangesNeitherFieldNorMark) {
    const std::string avant = texte(p.fenetre, champ::commande_arret, 0);
    QTest::mouseDClick(zone(champ::commande_arret, 0)->viewport(), Qt::LeftButton);
    ASSERT_EQ(demandes.size(), 1u);
    EXPECT_EQ(texte(p.fenetre, champ::commande_arret, 0), avant);
    EXPECT_EQ(zone(champ::commande_arret, 0)->toPlainText().toStdString(), avant);
    EXPECT_FALSE(marque_qt());
}

TEST_F(Fenetre, DoubleClickThenChoiceWritesTheFullPathOfItsOwnFieldAndMarks) {
    const std::string marche = p.g.dossier_actions + "pompe_marche.sh";
    const std::string arret = p.g.dossier_actions + "pompe_arret.sh";
    choix = marche;
    QTest::mouseDClick(zone(champ::Commande_marche, 0)->viewport(), Qt::LeftButton);
    EXPECT_EQ(traites_avant_dialogue, 1);
    choix = arret;
    QTest::mouseDClick(zone(champ::commande_arret, 0)->viewport(), Qt::LeftButton);

    ASSERT_EQ(demandes.size(), 2u);
    EXPECT_EQ(demandes[0].titre, titre_choix_fichier);
    EXPECT_EQ(demandes[0].dossier_initial, p.g.dossier_actions);
    EXPECT_EQ(texte(p.fenetre, champ::Commande_marche, 0), marche);
    EXPECT_EQ(texte(p.fenetre, champ::commande_arret, 0), arret);
    EXPECT_EQ(zone(champ::Commande_marche, 0)->toPlainText().toStdString(), marche);
    EXPECT_EQ(zone(champ::commande_arret, 0)->toPlainText().toStdString(), arret);
    EXPECT_TRUE(marque_qt());
}

TEST_F(Fenetre, ADayClickRecoloursAllFourSlotsAndTheLastDayOffGreysThem) {
    clique(bouton(champ::valid, 0));
    clique(bouton(champ::valid_3, 0));
    EXPECT_THAT(fonds_plage(1, 0), testing::Each(en_qt(gris_clair)));  // no day yet
    // A stale colour on a disabled slot shows whether the day click repaints it too.
    ecrit_fond(p.fenetre, champ::H_marche_2, 0, mauve_clair);

    clique(bouton(champ::Mardi, 0));
    EXPECT_TRUE(coche(p.fenetre, champ::Mardi, 0));
    for (int k : {1, 3}) EXPECT_THAT(fonds_plage(k, 0), testing::Each(en_qt(vert_clair))) << k;
    for (int k : {2, 4}) EXPECT_THAT(fonds_plage(k, 0), testing::Each(en_qt(gris_clair))) << k;
    EXPECT_TRUE(marque_qt());

    clique(bouton(champ::Mardi, 0));
    EXPECT_FALSE(coche(p.fenetre, champ::Mardi, 0));
    for (int k = 1; k <= nb_plages; ++k) {
        EXPECT_THAT(fonds_plage(k, 0), testing::Each(en_qt(gris_clair))) << k;
    }
    EXPECT_TRUE(bouton(champ::valid, 0)->isChecked());
    EXPECT_TRUE(bouton(champ::valid_3, 0)->isChecked());
}

TEST_F(Fenetre, ATypedTimeSelectsTheEntryItNamesOrFallsBackToTheLastValidOne) {
    QComboBox* heure = combo(champ::H_marche_1, 0);
    QLineEdit* saisie = heure->lineEdit();
    const auto entre = [&](const QString& texte) {
        remplace_texte(saisie, texte);
        QTest::keyClick(saisie, Qt::Key_Return);
    };

    entre("07");
    EXPECT_EQ(position(p.fenetre, champ::H_marche_1, 0), 7);
    EXPECT_EQ(heure->currentText(), " 7");
    entre("3");
    EXPECT_EQ(position(p.fenetre, champ::H_marche_1, 0), 3);
    entre(" 7");
    EXPECT_EQ(position(p.fenetre, champ::H_marche_1, 0), 7);
    for (const QString refuse : {"25", "ab", "", "-1"}) {
        entre(refuse);
        EXPECT_EQ(position(p.fenetre, champ::H_marche_1, 0), 7) << refuse.toStdString();
        EXPECT_EQ(heure->currentIndex(), 7) << refuse.toStdString();
        EXPECT_EQ(heure->currentText(), " 7") << refuse.toStdString();
    }
    EXPECT_EQ(heure->count(), 24);  // nothing typed became an entry

    QComboBox* minute = combo(champ::M_marche_1, 0);
    remplace_texte(minute->lineEdit(), "59");
    QTest::keyClick(minute->lineEdit(), Qt::Key_Enter);
    EXPECT_EQ(position(p.fenetre, champ::M_marche_1, 0), 59);
    remplace_texte(minute->lineEdit(), "60");
    QTest::keyClick(minute->lineEdit(), Qt::Key_Enter);
    EXPECT_EQ(position(p.fenetre, champ::M_marche_1, 0), 59);
    EXPECT_EQ(minute->currentText(), " 59");
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

TEST_F(Fenetre, PickingAnEntryWithTheKeyboardSelectsIt) {
    QComboBox* minute = combo(champ::M_arret_3, 0);
    ecrit_position(p.fenetre, champ::M_arret_3, 0, 14);
    cache_marque(p.fenetre);
    QTest::keyClick(minute, Qt::Key_Down);
    EXPECT_EQ(position(p.fenetre, champ::M_arret_3, 0), 15);
    EXPECT_EQ(minute->currentText(), " 15");
    EXPECT_TRUE(marque_qt());
}

TEST_F(Fenetre, SaveButtonTakesTheEditedTimesIntoTheSchedule) {
    remplace_texte(combo(champ::H_marche_1, 0)->lineEdit(), "9");
    QTest::keyClick(combo(champ::H_marche_1, 0)->lineEdit(), Qt::Key_Return);
    EXPECT_NE(debut_k(p.h, 1, 0), heure_de(9, 0));  // an edit alone does not reach the tick
    QTest::mouseClick(fenetre->bouton_enregistre(), Qt::LeftButton);
    EXPECT_EQ(debut_k(p.h, 1, 0), heure_de(9, position(p.fenetre, champ::M_marche_1, 0)));
}

}  // namespace
}  // namespace horlivet
