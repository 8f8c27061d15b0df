#include "platform/affichage.h"

#include <cstdlib>
#include <optional>
#include <string>

#include <gtest/gtest.h>

namespace horlivet {
namespace {

// Each test sets the three variables its own way; the process gets them back after.
class PlateformeSansAffichage : public testing::Test {
protected:
    static constexpr const char* variables[] = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};

    void SetUp() override {
        for (int n = 0; n < 3; ++n) {
            if (const char* valeur = std::getenv(variables[n])) sauvees[n] = valeur;
            unsetenv(variables[n]);
        }
    }
    void TearDown() override {
        for (int n = 0; n < 3; ++n) {
            if (sauvees[n]) {
                setenv(variables[n], sauvees[n]->c_str(), 1);
            } else {
                unsetenv(variables[n]);
            }
        }
    }
    static std::string plateforme() {
        const char* valeur = std::getenv("QT_QPA_PLATFORM");
        return valeur ? valeur : "(unset)";
    }

    std::optional<std::string> sauvees[3];
};

TEST_F(PlateformeSansAffichage, WithNoDisplayRunsOffscreenAndSaysSoInOneLine) {
    testing::internal::CaptureStderr();
    EXPECT_TRUE(choisit_plateforme_sans_affichage());
    const std::string erreur = testing::internal::GetCapturedStderr();
    EXPECT_EQ(plateforme(), "offscreen");
    EXPECT_FALSE(erreur.empty());
    EXPECT_EQ(erreur.find('\n'), erreur.size() - 1);
}

TEST_F(PlateformeSansAffichage, LeavesAnyDisplayOrChosenPlatformAlone) {
    for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        setenv(variable, ":1", 1);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(choisit_plateforme_sans_affichage()) << variable;
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(plateforme(), "(unset)");
        unsetenv(variable);
    }
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    EXPECT_FALSE(choisit_plateforme_sans_affichage());
    EXPECT_EQ(plateforme(), "xcb");
}

}  // namespace
}  // namespace horlivet
