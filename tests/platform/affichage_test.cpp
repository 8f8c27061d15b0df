#include "platform/affichage.h"

#include <cstdlib>
#include <optional>
#include <string>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QLocale>
#include <QPainter>

#include <gtest/gtest.h>

#include "commun/fichiers.h"
#include "platform/interface_qt.h"

namespace horlivet {
namespace {

// A live display is tried with the real program under Xvfb (tests/platform/affichage.sh).
TEST(CherchePlateforme, AWindowOnlyWhereADisplayAnswersOrAPlatformIsChosen) {
    const char* variables[] = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_RUNTIME_DIR"};
    std::optional<std::string> sauvees[4];
    for (int n = 0; n < 4; ++n)
        if (const char* valeur = std::getenv(variables[n])) sauvees[n] = valeur;
    // A compositor's socket, listening, in a runtime folder of our own.
    const essai::dossier_temporaire runtime;
    const std::string prise = (runtime.chemin / "wayland-9").string();
    sockaddr_un adresse{};
    adresse.sun_family = AF_UNIX;
    prise.copy(adresse.sun_path, sizeof adresse.sun_path - 1);
    const int compositeur = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_EQ(bind(compositeur, reinterpret_cast<const sockaddr*>(&adresse), sizeof adresse), 0);
    ASSERT_EQ(listen(compositeur, 4), 0);
    // The variable set before the call, the others unset but XDG_RUNTIME_DIR where said.
    struct cas {
        const char *variable, *valeur;
        bool avec_runtime, fenetre;
        const char* raison;
    };
    for (const cas& c :
         {cas{nullptr, nullptr, false, false, "pas d'affichage"},
          cas{"DISPLAY", ":65001", false, false, "l'affichage :65001 ne répond pas"},
          cas{"WAYLAND_DISPLAY", "/nulle/part", false, false,
              "l'affichage /nulle/part ne répond pas"},
          cas{"WAYLAND_DISPLAY", prise.c_str(), false, true, ""},
          cas{"WAYLAND_DISPLAY", "wayland-9", true, true, ""},
          cas{"WAYLAND_DISPLAY", "wayland-9", false, false, "l'affichage wayland-9 ne répond pas"},
          cas{"WAYLAND_DISPLAY", "wayland-8", true, false, "l'affichage wayland-8 ne répond pas"},
          cas{"QT_QPA_PLATFORM", "offscreen", false, true, ""}}) {
        SCOPED_TRACE(c.variable ? std::string(c.variable) + "=" + c.valeur : "nothing");
        for (const char* v : variables) unsetenv(v);
        if (c.variable) setenv(c.variable, c.valeur, 1);
        if (c.avec_runtime) setenv("XDG_RUNTIME_DIR", runtime.chemin.c_str(), 1);
        const affichage a = cherche_affichage();
        EXPECT_EQ(a.fenetre, c.fenetre);
        EXPECT_EQ(a.raison, c.raison);
    }
    close(compositeur);
    for (int n = 0; n < 4; ++n)
        sauvees[n] ? setenv(variables[n], sauvees[n]->c_str(), 1) : unsetenv(variables[n]);
}

// Fontconfig set up on its own thread, then text measured and drawn as by a first
// window. (The test's QApplication exists already; nothing has asked for a font yet.)
TEST(PreparePolices, TextIsMeasuredAndDrawnAfterwards) {
    prepare_polices().join();
    EXPECT_GT(QFontMetrics(QApplication::font()).horizontalAdvance("Horlivet"), 0);
    QImage blanche(80, 20, QImage::Format_RGB32);
    blanche.fill(Qt::white);
    QImage image = blanche.copy();
    QPainter(&image).drawText(2, 15, "Horlivet");
    EXPECT_NE(image, blanche);
}

// The file chooser's own texts, in French for a French locale.
TEST(Traductions, QtsDialogsSpeakTheLocalesLanguage) {
    const QLocale avant;
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    ASSERT_TRUE(installe_traductions_qt());
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:").toStdString(), "Voir dans :");
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel").toStdString(), "Annuler");
    QLocale::setDefault(avant);
}

}  // namespace
}  // namespace horlivet
