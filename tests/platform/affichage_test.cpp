#include "platform/affichage.h"

#include <cstdlib>
#include <optional>
#include <string>

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace horlivet {
namespace {

TEST(PlateformeSansAffichage, OffscreenOnlyWithNoDisplayAndNoChosenPlatformSaidInOneLine) {
    const char* variables[] = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
    std::optional<std::string> sauvees[3];
    for (int n = 0; n < 3; ++n) {
        if (const char* valeur = std::getenv(variables[n])) sauvees[n] = valeur;
    }
    struct cas {
        const char* variable;  // set before the call, the others unset
        const char* valeur;
        const char* plateforme;  // afterwards
    };
    for (const cas& c : {cas{nullptr, nullptr, "offscreen"}, cas{"DISPLAY", ":1", "(unset)"},
                         cas{"WAYLAND_DISPLAY", "w", "(unset)"},
                         cas{"QT_QPA_PLATFORM", "xcb", "xcb"}, cas{"DISPLAY", "", "offscreen"}}) {
        SCOPED_TRACE(c.variable ? c.variable : "nothing");
        for (const char* v : variables) unsetenv(v);
        if (c.variable) setenv(c.variable, c.valeur, 1);
        testing::internal::CaptureStderr();
        const bool choisie = choisit_plateforme_sans_affichage();
        const std::string erreur = testing::internal::GetCapturedStderr();
        EXPECT_EQ(choisie, c.plateforme == std::string("offscreen"));
        const char* plateforme = std::getenv("QT_QPA_PLATFORM");
        EXPECT_STREQ(plateforme ? plateforme : "(unset)", c.plateforme);
        // One line when it chose, nothing otherwise.
        EXPECT_EQ(erreur.find('\n'), choisie ? erreur.size() - 1 : std::string::npos) << erreur;
    }
    for (int n = 0; n < 3; ++n) {
        sauvees[n] ? setenv(variables[n], sauvees[n]->c_str(), 1) : unsetenv(variables[n]);
    }
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

}  // namespace
}  // namespace horlivet
