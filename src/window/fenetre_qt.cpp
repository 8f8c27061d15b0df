#include "window/fenetre_qt.h"

#include <algorithm>
#include <cmath>

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QDateTimeEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QIcon>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStringListModel>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "model/horaires_du_jour.h"
#include "platform/signaux_qt.h"
#include "scheduler/manuel.h"
#include "scheduler/tick.h"
#include "settings/ini.h"
#include "window/demarrage.h"
#include "window/edition.h"
#include "window/regles_plages.h"

// Resources compiled into a static library are registered only on request. The request
// declares a function at global scope, so it cannot sit in a namespace.
static void charge_ressources() { Q_INIT_RESOURCE(horlivet); }

namespace horlivet {

namespace {

// A rectangle in twips (1/1440 inch), relative to the parent's top left corner.
struct place {
    int x;
    int y;
    int largeur;
    int hauteur;
};

constexpr int largeur_client = 4290;
constexpr int hauteur_client = 8805;

// The left column, in window coordinates.
constexpr place place_Label8{120, 120, 975, 480};
constexpr int haut_option_1 = 600;
constexpr int pas_options = 240;
constexpr int largeur_option = 495;
constexpr place place_Label5{120, 2640, 975, 735};
constexpr int hauts_legendes[] = {3600, 3960, 4440, 4800, 5280, 5640, 6120, 6480};
constexpr const char* legendes[] = {"Marche 1", "Arret 1", "Marche 2", "Arret 2",
                                    "Marche 3", "Arret 3", "Marche4",  "Arret4"};
constexpr int hauteur_legende = 315;
constexpr place place_enregistre{120, 6960, 975, 975};
constexpr place place_FIN{120, 8040, 975, 495};
constexpr int x_Line4 = 1200;
constexpr int bas_Line4 = 8040;
constexpr place place_erva{1440, 120, 2655, 8535};

// Inside a channel frame.
constexpr place place_nom{120, 360, 2415, 375};
constexpr int gauche_jours = 480;
constexpr int haut_lundi = 720;
constexpr int pas_jours = 360;
constexpr int largeur_jour = 1575;
constexpr int hauteur_case = 285;
constexpr place place_Label1{360, 3240, 795, 240};
constexpr place place_Label2{1200, 3240, 795, 240};
constexpr int gauche_heures = 360;
constexpr int gauche_minutes = 1200;
constexpr int largeur_combo = 795;
constexpr int hauteur_combo = 315;
constexpr int hauts_marche[nb_plages] = {3480, 4320, 5160, 6000};
constexpr int ecart_arret = 360;  // the stop row below the start row
constexpr int gauche_valid = 2040;
constexpr int largeur_valid = 555;
constexpr place place_Commande_marche{120, 6960, 2415, 645};
constexpr place place_commande_arret{120, 7680, 2415, 645};

constexpr const char* noms_jours[nb_jours] = {"Lundi",    "Mardi",  "Mercredi", "Jeudi",
                                              "Vendredi", "Samedi", "Dimanche"};

// Rounds the corners rather than the sizes, so that neighbours stay neighbours.
QRect en_pixels(const place& p, double points_par_pouce) {
    const auto px = [points_par_pouce](int twips) {
        return qRound(twips * points_par_pouce / 1440.0);
    };
    return QRect(QPoint(px(p.x), px(p.y)),
                 QPoint(px(p.x + p.largeur) - 1, px(p.y + p.hauteur) - 1));
}

QColor en_qt(couleur c) { return QColor(c.r, c.g, c.b); }

// A background colour the model sets. The text stays black so that it reads on the
// light colours under a dark theme too.
void colore(QWidget* w, QPalette::ColorRole role, couleur fond) {
    const QColor couleur_qt = en_qt(fond);
    if (w->palette().color(role) == couleur_qt) return;
    QPalette palette = w->palette();
    palette.setColor(role, couleur_qt);
    palette.setColor(QPalette::Text, Qt::black);
    palette.setColor(QPalette::ButtonText, Qt::black);
    palette.setColor(QPalette::WindowText, Qt::black);
    w->setPalette(palette);
}

// Shrinks the font of a caption until each of its words fits `largeur` pixels, or the
// whole caption when it stays on one line: the left column was drawn for a narrower
// font than today's defaults.
void ajuste_police(QWidget* w, const QString& legende, int largeur, bool sur_une_ligne) {
    const QStringList morceaux =
        sur_une_ligne ? QStringList{legende} : legende.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QFont police = w->font();
    const double depart = police.pointSizeF();
    if (depart <= 6.0) {
        // Sized in pixels (-1), or already at the floor.
        w->setFont(police);
        return;
    }
    // The widest piece at `pas` half points below the starting size.
    const auto largeur_a = [&](int pas) {
        police.setPointSizeF(depart - 0.5 * pas);
        const QFontMetrics mesure(police);
        int plus_large = 0;
        for (const QString& morceau : morceaux)
            plus_large = std::max(plus_large, mesure.horizontalAdvance(morceau));
        return plus_large;
    };
    // The 6-point floor, in half points below the start.
    const int dernier_pas = static_cast<int>(std::ceil((depart - 6.0) * 2));
    int pas = 0;
    const int plus_large = largeur_a(0);
    if (plus_large > largeur) {
        // Each size asked costs a font load, the dearest step in building the window.
        // Widths grow about in proportion to the size: the size that rule says fits is
        // the one asked, and a smaller one only when it was a little too wide.
        pas = std::clamp(static_cast<int>(std::ceil((depart - depart * largeur / plus_large) * 2)),
                         1, dernier_pas);
        while (pas < dernier_pas && largeur_a(pas) > largeur) ++pas;
    }
    police.setPointSizeF(depart - 0.5 * pas);
    w->setFont(police);
}

QStringList en_qt(const std::vector<std::string>& liste) {
    QStringList resultat;
    resultat.reserve(static_cast<qsizetype>(liste.size()));
    for (const auto& element : liste) resultat << QString::fromStdString(element);
    return resultat;
}

// A command box. The file name wraps over the box's two lines rather than scrolling out
// of sight, and stays one line of text, as the settings file keeps it.
class zone_commande : public QPlainTextEdit {
public:
    using QPlainTextEdit::QPlainTextEdit;

protected:
    void keyPressEvent(QKeyEvent* evenement) override {
        if (evenement->key() == Qt::Key_Return || evenement->key() == Qt::Key_Enter) {
            evenement->ignore();
            return;
        }
        QPlainTextEdit::keyPressEvent(evenement);
    }

    void insertFromMimeData(const QMimeData* source) override {
        QString texte = source->text();
        texte.replace(QLatin1Char('\r'), QLatin1Char(' '));
        texte.replace(QLatin1Char('\n'), QLatin1Char(' '));
        insertPlainText(texte);
    }
};

// Adds OK and Cancel under `mise_en_page` and runs the dialog: true for OK.
bool ok_ou_annule(QDialog& boite, QLayout* mise_en_page) {
    auto* boutons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &boite);
    QObject::connect(boutons, &QDialogButtonBox::accepted, &boite, &QDialog::accept);
    QObject::connect(boutons, &QDialogButtonBox::rejected, &boite, &QDialog::reject);
    mise_en_page->addWidget(boutons);
    return boite.exec() == QDialog::Accepted;
}

// A time of day that may be left out: a box to tick, then the time.
struct borne_saisie {
    QCheckBox* cochee;
    QTimeEdit* heure;
};

borne_saisie ajoute_borne(QDialog& boite, QFormLayout* formulaire, const char* texte,
                          const std::optional<heure_du_jour>& actuelle, int defaut) {
    const heure_du_jour t = actuelle.value_or(defaut);
    borne_saisie b{new QCheckBox(texte, &boite),
                   new QTimeEdit(QTime(t / 3600, t / 60 % 60), &boite)};
    b.heure->setDisplayFormat("HH:mm");
    b.cochee->setChecked(actuelle.has_value());
    b.heure->setEnabled(actuelle.has_value());
    QObject::connect(b.cochee, &QCheckBox::toggled, b.heure, &QWidget::setEnabled);
    formulaire->addRow(b.cochee, b.heure);
    return b;
}

std::optional<heure_du_jour> lit_borne(const borne_saisie& b) {
    if (!b.cochee->isChecked()) return std::nullopt;
    return b.heure->time().hour() * 3600 + b.heure->time().minute() * 60;
}

// The offset and bounds of a start or stop that follows sunrise or sunset.
std::optional<regle_soleil> dialogue_soleil(QWidget* parent, bool coucher,
                                            const std::optional<regle_soleil>& actuelle) {
    regle_soleil r;
    if (actuelle && actuelle->coucher == coucher) r = *actuelle;
    r.coucher = coucher;
    QDialog boite(parent);
    boite.setWindowTitle(coucher ? "Au coucher du soleil" : "Au lever du soleil");
    auto* formulaire = new QFormLayout(&boite);
    auto* decalage = new QSpinBox(&boite);
    decalage->setRange(-720, 720);
    decalage->setSuffix(" min");
    decalage->setValue(r.decalage);
    formulaire->addRow("Décalage (+ après, - avant)", decalage);
    const borne_saisie apres =
        ajoute_borne(boite, formulaire, "Pas avant", r.apres, coucher ? 17 * 3600 : 6 * 3600);
    const borne_saisie avant =
        ajoute_borne(boite, formulaire, "Pas après", r.avant, coucher ? 22 * 3600 : 9 * 3600);
    if (!ok_ou_annule(boite, formulaire)) return std::nullopt;
    r.decalage = decalage->value();
    r.apres = lit_borne(apres);
    r.avant = lit_borne(avant);
    return r;
}

// The most a start or stop varies, either way, each day.
std::optional<int> dialogue_variation(QWidget* parent, int actuelle) {
    QDialog boite(parent);
    boite.setWindowTitle("Variation aléatoire");
    auto* formulaire = new QFormLayout(&boite);
    auto* minutes = new QSpinBox(&boite);
    minutes->setRange(0, 720);
    minutes->setSuffix(" min");
    minutes->setValue(actuelle > 0 ? actuelle : 15);
    formulaire->addRow("Au plus, avant ou après", minutes);
    if (!ok_ou_annule(boite, formulaire)) return std::nullopt;
    return minutes->value();
}

// The place whose sunrise and sunset the slots follow.
std::optional<lieu> dialogue_lieu(QWidget* parent, const std::optional<lieu>& actuel) {
    QDialog boite(parent);
    boite.setWindowTitle("Lieu");
    auto* formulaire = new QFormLayout(&boite);
    const auto degres = [&boite](double limite, double valeur) {
        auto* d = new QDoubleSpinBox(&boite);
        d->setRange(-limite, limite);
        d->setDecimals(4);
        d->setSuffix(" °");
        d->setValue(valeur);
        return d;
    };
    auto* latitude = degres(90, actuel ? actuel->latitude : 0);
    auto* longitude = degres(180, actuel ? actuel->longitude : 0);
    formulaire->addRow("Latitude (nord +, sud -)", latitude);
    formulaire->addRow("Longitude (est +, ouest -)", longitude);
    if (!ok_ou_annule(boite, formulaire)) return std::nullopt;
    return lieu{latitude->value(), longitude->value()};
}

}  // namespace

fenetre_qt::fenetre_qt(programme& p, QWidget* parent)
    : QWidget(parent),
      p_(p),
      points_par_pouce_(QGuiApplication::primaryScreen()
                            ? QGuiApplication::primaryScreen()->logicalDotsPerInch()
                            : 96.0),
      heures_(new QStringListModel(this)),
      minutes_(new QStringListModel(this)),
      sans_completion_(new QCompleter(this)) {
    charge_ressources();
    setObjectName("ervaline");
    setWindowTitle("Horlivet");
    QIcon icone;
    for (const char* fichier : {":/icones/horlivet-16.png", ":/icones/horlivet-32.png"}) {
        // Read as the PNG it is: guessing the format would load every image plugin
        // first, and took longer than the rest of the icon.
        QImageReader lecteur(fichier, "png");
        lecteur.setAutoDetectImageFormat(false);
        icone.addPixmap(QPixmap::fromImage(lecteur.read()));
    }
    setWindowIcon(icone);
    setFixedSize(en_pixels({0, 0, largeur_client, hauteur_client}, points_par_pouce_).size());

    cree_colonne_gauche();

    p_.fenetre.sur_affichage = [this](champ c, int i) { affiche(c, i); };
    for (int c = 0; c < nb_champs; ++c) {
        for (int i = 0; i < nb_voies; ++i) {
            if (widgets_[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)]) {
                affiche(static_cast<champ>(c), i);
            }
        }
    }

    Timer1_.setInterval(periode_timer1_ms);
    connect(&Timer1_, &QTimer::timeout, this, [this] {
        Timer1_Timer(p_);
        actualise_infobulles();
    });
}

fenetre_qt::~fenetre_qt() {
    p_.fenetre.sur_affichage = nullptr;
    sur_signal_de_fin(nullptr);
    // The widgets outlive the window's own members; none of their last signals (a focus
    // lost while they are deleted) may reach the window.
    for (QObject* enfant : findChildren<QObject*>()) disconnect(enfant, nullptr, this, nullptr);
}

void fenetre_qt::cree_colonne_gauche() {
    const auto pose = [this](QWidget* w, const place& p) {
        w->setGeometry(en_pixels(p, points_par_pouce_));
    };

    auto* Label8 = new QLabel("Selection ervaline", this);
    Label8->setWordWrap(true);
    Label8->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    pose(Label8, place_Label8);
    ajuste_police(Label8, Label8->text(), Label8->width(), false);

    auto* groupe = new QButtonGroup(this);
    groupe->setExclusive(true);
    for (int i = 0; i < nb_voies; ++i) {
        auto* option = new QRadioButton(QString::number(i + 1), this);
        option->setObjectName(QString("Option1_%1").arg(i));
        option->setAutoFillBackground(true);
        pose(option, {120, haut_option_1 + i * pas_options, largeur_option, pas_options});
        groupe->addButton(option, i);
        // Control by hand, as a wall switch's button.
        option->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(option, &QWidget::customContextMenuRequested, this, [this, option, i](QPoint ou) {
            QMenu* menu = menu_voie(i);
            menu->exec(option->mapToGlobal(ou));
            delete menu;
        });
        widgets_[static_cast<std::size_t>(champ::Option1)][static_cast<std::size_t>(i)] = option;
    }
    connect(groupe, &QButtonGroup::idClicked, this,
            [this](int i) { selectionne_option(p_.fenetre, i); });

    auto* Label5 = new QLabel("Modifications non enregistrées", this);
    Label5->setObjectName("Label5");
    Label5->setWordWrap(true);
    Label5->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette rouge_vif = Label5->palette();
    rouge_vif.setColor(QPalette::WindowText, en_qt(rouge));
    Label5->setPalette(rouge_vif);
    pose(Label5, place_Label5);
    ajuste_police(Label5, Label5->text(), Label5->width(), false);
    widgets_[static_cast<std::size_t>(champ::Label5)][0] = Label5;

    for (int r = 0; r < 8; ++r) {
        auto* legende = new QLabel(legendes[r], this);
        pose(legende, {120, hauts_legendes[r], 975, hauteur_legende});
        ajuste_police(legende, legende->text(), legende->width(), true);
    }

    // A square button whose caption wraps: a push button's own text stays on one line.
    enregistre_ = new QPushButton(this);
    enregistre_->setObjectName("enregistre");
    enregistre_->setAccessibleName("valide et enregistre les valeurs");
    auto* disposition = new QVBoxLayout(enregistre_);
    constexpr int marge_enregistre = 4;
    disposition->setContentsMargins(marge_enregistre, marge_enregistre, marge_enregistre,
                                    marge_enregistre);
    auto* legende_enregistre = new QLabel("valide et enregistre les valeurs", enregistre_);
    legende_enregistre->setWordWrap(true);
    legende_enregistre->setAlignment(Qt::AlignCenter);
    legende_enregistre->setAttribute(Qt::WA_TransparentForMouseEvents);
    disposition->addWidget(legende_enregistre);
    pose(enregistre_, place_enregistre);
    ajuste_police(legende_enregistre, legende_enregistre->text(),
                  enregistre_->width() - 2 * marge_enregistre, false);
    connect(enregistre_, &QPushButton::clicked, this, [this] {
        enregistre_Click(p_);
        actualise_infobulles();
    });

    FIN_ = new QPushButton("Arret", this);
    FIN_->setObjectName("FIN");
    pose(FIN_, place_FIN);
    connect(FIN_, &QPushButton::clicked, this, [this] { FIN_Click(p_); });

    auto* Line4 = new QFrame(this);
    Line4->setFrameShape(QFrame::VLine);
    Line4->setFrameShadow(QFrame::Sunken);
    const QRect ligne = en_pixels({x_Line4, 0, 0, bas_Line4}, points_par_pouce_);
    Line4->setGeometry(ligne.x() - 1, 0, 3, ligne.height());
}

void fenetre_qt::cree_cadre(int i) {
    const auto enregistre_widget = [this, i](champ c, QWidget* w) {
        w->setObjectName(QString("%1_%2").arg(nom_champ(c)).arg(i));
        widgets_[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)] = w;
    };

    auto* erva = new QGroupBox(QString("Ervaline %1").arg(i + 1), this);
    erva->setGeometry(en_pixels(place_erva, points_par_pouce_));
    enregistre_widget(champ::erva, erva);
    const auto pose = [this](QWidget* w, const place& p) {
        w->setGeometry(en_pixels(p, points_par_pouce_));
    };

    auto* nom = new QLineEdit(erva);
    pose(nom, place_nom);
    enregistre_widget(champ::nom, nom);
    connect(nom, &QLineEdit::textEdited, this, [this, i](const QString& t) {
        ecrit_texte(p_.fenetre, champ::nom, i, t.toStdString());
    });

    for (int d = 0; d < nb_jours; ++d) {
        auto* case_jour = new QCheckBox(noms_jours[d], erva);
        pose(case_jour, {gauche_jours, haut_lundi + d * pas_jours, largeur_jour, hauteur_case});
        const champ c = jour(d);
        enregistre_widget(c, case_jour);
        connect(case_jour, &QCheckBox::clicked, this,
                [this, c, i](bool coche) { ecrit_coche(p_.fenetre, c, i, coche); });
    }

    pose(new QLabel("Heure", erva), place_Label1);
    pose(new QLabel("Minutes", erva), place_Label2);

    const auto cree_combo = [&](champ c, int gauche, int haut) {
        auto* combo = new QComboBox(erva);
        // Editable through a line edit of its own: setEditable(true) would build the
        // drop-down list at once too, which Qt otherwise builds when it is first opened.
        auto* saisie = new QLineEdit(combo);
        saisie->setPalette(combo->palette());
        // A line edit that has a completer keeps setLineEdit from building one of its
        // own, a proxy of the list, the dearest part of a combo, only to be dropped.
        saisie->setCompleter(sans_completion_);
        combo->setLineEdit(saisie);
        // The lists are shared and fixed: a typed text must never become an entry.
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->setCompleter(nullptr);
        combo->setModel(est_heure(c) ? heures_ : minutes_);
        pose(combo, {gauche, haut, largeur_combo, hauteur_combo});
        enregistre_widget(c, combo);
        // Code writes are blocked, so this is the user typing: the combo's change
        // handler runs at once, as the model raises it, though the position waits.
        connect(combo, &QComboBox::editTextChanged, this, [this, c, i] {
            if (p_.fenetre.sur_edition) p_.fenetre.sur_edition(c, i);
        });
        connect(combo, &QComboBox::activated, this, [this, c, i] { arrete_saisie(c, i); });
        // Sun, variation, place: a right click on the field, on its text or its arrow.
        for (QWidget* cible : {static_cast<QWidget*>(combo), static_cast<QWidget*>(saisie)}) {
            cible->setContextMenuPolicy(Qt::CustomContextMenu);
            connect(cible, &QWidget::customContextMenuRequested, this,
                    [this, c, i, cible](QPoint ou) {
                        QMenu* menu = menu_plage(c, i);
                        menu->exec(cible->mapToGlobal(ou));
                        delete menu;
                    });
        }
        connect(combo->lineEdit(), &QLineEdit::editingFinished, this,
                [this, c, i] { arrete_saisie(c, i); });
    };
    for (int k = 1; k <= nb_plages; ++k) {
        const int haut_marche = hauts_marche[k - 1];
        const int haut_arret = haut_marche + ecart_arret;
        cree_combo(H_marche(k), gauche_heures, haut_marche);
        cree_combo(M_marche(k), gauche_minutes, haut_marche);
        cree_combo(H_arret(k), gauche_heures, haut_arret);
        cree_combo(M_arret(k), gauche_minutes, haut_arret);

        auto* valid = new QCheckBox("on", erva);
        // Level between the two rows.
        const int milieu = (haut_marche + haut_arret + hauteur_combo) / 2;
        pose(valid, {gauche_valid, milieu - hauteur_case / 2, largeur_valid, hauteur_case});
        const champ c = valid_k(k);
        enregistre_widget(c, valid);
        connect(valid, &QCheckBox::clicked, this,
                [this, c, i](bool coche) { ecrit_coche(p_.fenetre, c, i, coche); });
    }

    for (const champ c : {champ::Commande_marche, champ::commande_arret}) {
        auto* zone = new zone_commande(erva);
        zone->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        zone->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        zone->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        zone->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        zone->setTabChangesFocus(true);
        zone->document()->setDocumentMargin(2);
        pose(zone, c == champ::Commande_marche ? place_Commande_marche : place_commande_arret);
        enregistre_widget(c, zone);
        zone->viewport()->installEventFilter(this);
        connect(zone, &QPlainTextEdit::textChanged, this, [this, c, i, zone] {
            ecrit_texte(p_.fenetre, c, i, zone->toPlainText().toStdString());
        });
    }
}

QWidget* fenetre_qt::widget_qt(champ c, int i) const {
    QWidget* w = widgets_.at(static_cast<std::size_t>(c)).at(static_cast<std::size_t>(i));
    if (w == nullptr && (static_cast<int>(c) < nb_champs_voie || c == champ::erva)) {
        // Building a frame changes nothing the model or the user can tell.
        const_cast<fenetre_qt*>(this)->assure_cadre(i);
        w = widgets_[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)];
    }
    return w;
}

void fenetre_qt::assure_cadre(int i) {
    if (widgets_[static_cast<std::size_t>(champ::erva)][static_cast<std::size_t>(i)]) return;
    cree_cadre(i);
    for (int c = 0; c < nb_champs_voie; ++c) affiche(static_cast<champ>(c), i);
    affiche(champ::erva, i);
    infobulles_plages(i);
}

void fenetre_qt::showEvent(QShowEvent* evenement) {
    for (int i = 0; i < nb_voies; ++i) {
        if (lit(p_.fenetre, champ::erva, i).visible) assure_cadre(i);
    }
    QWidget::showEvent(evenement);
}

void fenetre_qt::demarre(const std::string& dossier_executable) {
    sur_signal_de_fin([this] { Form_Unload(p_); });
    Timer1_.start();
    Form_Load(p_, dossier_executable);
    synchronise_listes();
    actualise_infobulles();
    show();
}

QMenu* fenetre_qt::menu_voie(int i) {
    auto* menu = new QMenu(this);
    menu->setObjectName(QString("menu_voie_%1").arg(i));
    // A refusal (the program starting or stopping, a date past) is shown, not lost.
    const auto fait = [this](const std::string& refus) {
        if (!refus.empty()) p_.s.message("Horlivet", refus);
        actualise_infobulles();
    };
    connect(menu->addAction("Marche forcée jusqu'au prochain changement"), &QAction::triggered,
            this, [this, i, fait] { fait(marche_forcee(p_, i, "fenêtre")); });
    connect(menu->addAction("Arrêt forcé jusqu'au prochain changement"), &QAction::triggered, this,
            [this, i, fait] { fait(arret_force(p_, i, "fenêtre")); });
    QAction* retour = menu->addAction("Retour au programme");
    retour->setEnabled(p_.g.forcages.at(static_cast<std::size_t>(i)).s != forcage::sorte::aucun);
    connect(retour, &QAction::triggered, this,
            [this, i, fait] { fait(retour_au_programme(p_, i, "fenêtre")); });
    menu->addSeparator();
    connect(menu->addAction("Congés jusqu'au..."), &QAction::triggered, this, [this, i, fait] {
        std::optional<date_heure> fin;
        if (date_conges) {
            fin = date_conges();
        } else {
            QDialog boite(this);
            boite.setWindowTitle("Congés");
            auto* mise_en_page = new QVBoxLayout(&boite);
            mise_en_page->addWidget(new QLabel("Aucun lancement pour cette voie jusqu'au :"));
            const date_heure d = p_.s.maintenant();
            auto* choix = new QDateTimeEdit(
                QDateTime(QDate(d.annee, d.mois, d.jour).addDays(7), QTime(0, 0)), &boite);
            choix->setCalendarPopup(true);
            choix->setDisplayFormat("dd/MM/yyyy HH:mm");
            mise_en_page->addWidget(choix);
            if (!ok_ou_annule(boite, mise_en_page)) return;
            const QDateTime t = choix->dateTime();
            date_heure r;
            r.annee = t.date().year();
            r.mois = t.date().month();
            r.jour = t.date().day();
            r.secondes = t.time().hour() * 3600 + t.time().minute() * 60;
            fin = date_de(instant_de(r));
        }
        if (fin) fait(met_en_pause(p_, i, *fin, "fenêtre"));
    });
    return menu;
}

void fenetre_qt::actualise_infobulles() {
    for (int i = 0; i < nb_voies; ++i) {
        QWidget* option =
            widgets_[static_cast<std::size_t>(champ::Option1)][static_cast<std::size_t>(i)];
        const forcage& f = p_.g.forcages[static_cast<std::size_t>(i)];
        QString texte;
        if (f.s != forcage::sorte::aucun) {
            texte = f.s == forcage::sorte::pause    ? "En congés"
                    : f.s == forcage::sorte::marche ? "Marche forcée"
                                                    : "Arrêt forcé";
            if (f.jusqua) {
                const date_heure& d = *f.jusqua;
                texte += QString(" jusqu'au %1/%2/%3 %4:%5")
                             .arg(d.jour, 2, 10, QChar('0'))
                             .arg(d.mois, 2, 10, QChar('0'))
                             .arg(d.annee)
                             .arg(d.secondes / 3600, 2, 10, QChar('0'))
                             .arg(d.secondes / 60 % 60, 2, 10, QChar('0'));
            } else {
                texte += " jusqu'au retour au programme";
            }
        }
        if (option->toolTip() != texte) option->setToolTip(texte);
        infobulles_plages(i);
    }
}

void fenetre_qt::infobulles_plages(int i) {
    for (int k = 1; k <= nb_plages; ++k) {
        for (const bool debut : {true, false}) {
            const QString texte = QString::fromStdString(raison_horaire(p_, k, i, debut));
            for (const champ c :
                 {debut ? H_marche(k) : H_arret(k), debut ? M_marche(k) : M_arret(k)}) {
                QWidget* w = widgets_[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)];
                if (w && w->toolTip() != texte) w->setToolTip(texte);
            }
        }
    }
}

QMenu* fenetre_qt::menu_plage(champ c, int i) {
    const int k = plage_de(c);
    const bool debut = est_debut(c);
    auto* menu = new QMenu(this);
    menu->setObjectName(
        QString("menu_plage_%1_%2_%3").arg(k).arg(i).arg(debut ? "marche" : "arret"));
    const regles_plage& r = regles_saisies_k(p_.g.variables, k, i);
    const std::optional<regle_soleil>& soleil = soleil_de(r, debut);
    const int alea = alea_de(r, debut);
    const auto coche = [](QAction* a, bool oui) {
        a->setCheckable(true);
        a->setChecked(oui);
        return a;
    };
    connect(coche(menu->addAction("Heure fixe"), !soleil && alea == 0), &QAction::triggered, this,
            [this, k, i, debut] {
                choisit_heure_fixe(p_, k, i, debut);
                actualise_infobulles();
            });
    for (const bool coucher : {false, true}) {
        QAction* a =
            coche(menu->addAction(coucher ? "Au coucher du soleil..." : "Au lever du soleil..."),
                  soleil && soleil->coucher == coucher);
        connect(a, &QAction::triggered, this, [this, k, i, debut, coucher] {
            // Without a place, the sun cannot be followed: it is asked for first.
            if (!p_.g.variables.lieu_saisi && !demande_lieu()) return;
            const std::optional<regle_soleil>& actuelle =
                soleil_de(regles_saisies_k(p_.g.variables, k, i), debut);
            const std::optional<regle_soleil> choisie =
                choix_soleil ? choix_soleil(coucher, actuelle)
                             : dialogue_soleil(this, coucher, actuelle);
            if (choisie) choisit_soleil(p_, k, i, debut, *choisie);
            actualise_infobulles();
        });
    }
    connect(coche(menu->addAction("Variation aléatoire..."), alea > 0), &QAction::triggered, this,
            [this, k, i, debut, alea] {
                const std::optional<int> m =
                    choix_variation ? choix_variation(alea) : dialogue_variation(this, alea);
                if (m) choisit_variation(p_, k, i, debut, *m);
                actualise_infobulles();
            });
    menu->addSeparator();
    connect(menu->addAction("Lieu..."), &QAction::triggered, this, [this] {
        demande_lieu();
        actualise_infobulles();
    });
    return menu;
}

bool fenetre_qt::demande_lieu() {
    const std::optional<lieu>& actuel = p_.g.variables.lieu_saisi;
    const std::optional<lieu> l = choix_lieu ? choix_lieu(actuel) : dialogue_lieu(this, actuel);
    if (l) choisit_lieu(p_, *l);
    return l.has_value();
}

void fenetre_qt::closeEvent(QCloseEvent* evenement) {
    Form_Unload(p_);
    evenement->accept();
}

bool fenetre_qt::eventFilter(QObject* objet, QEvent* evenement) {
    if (evenement->type() != QEvent::MouseButtonDblClick)
        return QWidget::eventFilter(objet, evenement);
    for (int i = 0; i < nb_voies; ++i) {
        for (const champ c : {champ::Commande_marche, champ::commande_arret}) {
            const auto* zone = static_cast<QPlainTextEdit*>(
                widgets_[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)]);
            if (zone == nullptr || zone->viewport() != objet) continue;
            if (c == champ::Commande_marche) {
                Commande_marche_DblClick(p_, i);
            } else {
                commande_arret_DblClick(p_, i);
            }
            return true;
        }
    }
    return QWidget::eventFilter(objet, evenement);
}

void fenetre_qt::affiche(champ c, int i) {
    const widget& modele = lit(p_.fenetre, c, i);
    QWidget* w = widgets_.at(static_cast<std::size_t>(c)).at(static_cast<std::size_t>(i));
    if (!w) {
        // A frame not built yet shows the model when it is; once visible, it must be.
        if (c == champ::erva && modele.visible && isVisible()) assure_cadre(i);
        return;
    }
    const QSignalBlocker bloque(w);
    const QString texte_qt = QString::fromStdString(modele.texte);

    if (c == champ::nom) {
        auto* ligne = static_cast<QLineEdit*>(w);
        if (ligne->text() != texte_qt) ligne->setText(texte_qt);
        colore(ligne, QPalette::Base, modele.fond);
    } else if (est_commande(c)) {
        auto* zone = static_cast<QPlainTextEdit*>(w);
        if (zone->toPlainText() != texte_qt) zone->setPlainText(texte_qt);
    } else if (est_combo(c)) {
        synchronise_listes();
        auto* combo = static_cast<QComboBox*>(w);
        // An unchanged position keeps a text the user is still typing.
        if (combo->currentIndex() != modele.position) montre_position(combo, c, i);
        colore(combo, QPalette::Base, modele.fond);
        colore(combo, QPalette::Button, modele.fond);
    } else if (est_case(c)) {
        auto* case_a_cocher = static_cast<QCheckBox*>(w);
        if (case_a_cocher->isChecked() != modele.coche) case_a_cocher->setChecked(modele.coche);
    } else if (c == champ::Option1) {
        auto* option = static_cast<QRadioButton*>(w);
        if (option->isChecked() != modele.coche) {
            // An exclusive group refuses to clear its selected button; the model clears
            // one button before it selects another.
            QButtonGroup* groupe = option->group();
            groupe->setExclusive(false);
            option->setChecked(modele.coche);
            groupe->setExclusive(true);
        }
        colore(option, option->backgroundRole(), modele.fond);
    }

    if (w->isHidden() == modele.visible) w->setVisible(modele.visible);
}

void fenetre_qt::arrete_saisie(champ c, int i) {
    auto* combo = static_cast<QComboBox*>(widget_qt(c, i));
    const int n = position_tapee(combo->currentText().toStdString(),
                                 static_cast<int>(liste(p_.fenetre, c).size()));
    if (n >= 0 && n != position(p_.fenetre, c, i)) {
        heure_tapee(p_, c, i);
        ecrit_position(p_.fenetre, c, i, n);
        infobulles_plages(i);
    }
    const QSignalBlocker bloque(combo);
    montre_position(combo, c, i);
}

void fenetre_qt::montre_position(QComboBox* combo, champ c, int i) {
    combo->setCurrentIndex(position(p_.fenetre, c, i));
    combo->setEditText(QString::fromStdString(texte_combo(p_.fenetre, c, i)));
}

void fenetre_qt::synchronise_listes() {
    const bool heures = heures_affichees_ != p_.fenetre.liste_heures;
    const bool minutes = minutes_affichees_ != p_.fenetre.liste_minutes;
    if (!heures && !minutes) return;

    // A new list resets every combo that shares it; none of them may take that for an
    // edit, and each then shows its own position again.
    // Only built frames have combos; a frame built later takes the lists as they are.
    std::vector<std::pair<QComboBox*, std::pair<champ, int>>> combos;
    for (int c = 0; c < nb_champs; ++c) {
        if (!est_combo(static_cast<champ>(c))) continue;
        for (int i = 0; i < nb_voies; ++i) {
            QWidget* w = widgets_[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)];
            if (w) combos.push_back({static_cast<QComboBox*>(w), {static_cast<champ>(c), i}});
        }
    }
    std::vector<QSignalBlocker> bloques;
    bloques.reserve(combos.size());
    for (const auto& [combo, place] : combos) bloques.emplace_back(combo);

    if (heures) {
        heures_affichees_ = p_.fenetre.liste_heures;
        heures_->setStringList(en_qt(heures_affichees_));
    }
    if (minutes) {
        minutes_affichees_ = p_.fenetre.liste_minutes;
        minutes_->setStringList(en_qt(minutes_affichees_));
    }
    for (const auto& [combo, place] : combos) montre_position(combo, place.first, place.second);
}

}  // namespace horlivet
