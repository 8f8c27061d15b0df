#include "platform/affichage.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QLocale>

#include <gtest/gtest.h>

#include "commun/fichiers.h"
#include "platform/interface_qt.h"

namespace horlivet {
namespace {

// Listens on `chemin`; the socket's descriptor.
int ecoute(const std::string& chemin) {
    sockaddr_un adresse{};
    adresse.sun_family = AF_UNIX;
    chemin.copy(adresse.sun_path, sizeof adresse.sun_path - 1);
    const int prise = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    EXPECT_EQ(bind(prise, reinterpret_cast<const sockaddr*>(&adresse), sizeof adresse), 0);
    EXPECT_EQ(listen(prise, 4), 0);
    return prise;
}

// A live X display is tried with the real program under Xvfb, and a real compositor
// with Weston (tests/platform/affichage_reel_test.sh).
TEST(CherchePlateforme, AWindowOnlyWhereQtCanUseADisplayOrTheChosenPlatform) {
    const char* variables[] = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_RUNTIME_DIR"};
    std::optional<std::string> sauvees[4];
    for (int n = 0; n < 4; ++n)
        if (const char* valeur = std::getenv(variables[n])) sauvees[n] = valeur;
    // In a runtime folder of our own, a compositor that answers a sync as Wayland's do,
    // and a socket that listens and says nothing.
    const essai::dossier_temporaire runtime;
    const std::string prise = (runtime.chemin / "wayland-9").string();
    const int compositeur = ecoute(prise), sourd = ecoute((runtime.chemin / "sourd").string());
    const std::jthread reponses([compositeur](std::stop_token fin) {
        while (!fin.stop_requested()) {
            pollfd attente{compositeur, POLLIN, 0};
            if (poll(&attente, 1, 50) != 1) continue;
            const int client = accept(compositeur, nullptr, nullptr);
            std::uint32_t demande[3], fait[3] = {2, 12u << 16, 1};
            if (read(client, demande, sizeof demande) == sizeof demande)
                (void)!write(client, fait, sizeof fait);
            close(client);
        }
    });
    const essai::dossier_temporaire sans_greffons;
    const std::vector<std::string> qt = dossiers_plateformes_qt(), aucun = {sans_greffons.chemin};
    // The variable set before the call, the others unset but XDG_RUNTIME_DIR where said.
    struct cas {
        const char *variable, *valeur;
        bool avec_runtime;
        const std::vector<std::string>& greffons;
        const char *plateforme, *raison;
    };
    for (const cas& c :
         {cas{nullptr, nullptr, false, qt, "", "pas d'affichage"},
          cas{"DISPLAY", ":65001", false, qt, "", "l'affichage :65001 ne répond pas"},
          cas{"WAYLAND_DISPLAY", "/nulle/part", false, qt, "",
              "l'affichage /nulle/part ne répond pas"},
          cas{"WAYLAND_DISPLAY", prise.c_str(), false, qt, "wayland", ""},
          cas{"WAYLAND_DISPLAY", "wayland-9", true, qt, "wayland", ""},
          cas{"WAYLAND_DISPLAY", "wayland-9", false, qt, "", "l'affichage wayland-9 ne répond pas"},
          cas{"WAYLAND_DISPLAY", "wayland-8", true, qt, "", "l'affichage wayland-8 ne répond pas"},
          cas{"WAYLAND_DISPLAY", "sourd", true, qt, "", "l'affichage sourd ne répond pas"},
          cas{"WAYLAND_DISPLAY", "wayland-9", true, aucun, "",
              "Qt n'a pas de greffon de plateforme wayland (paquet qt6-wayland)"},
          cas{"QT_QPA_PLATFORM", "offscreen", false, qt, "offscreen", ""},
          cas{"QT_QPA_PLATFORM", "nulle;OFFSCREEN:x=1", false, qt, "OFFSCREEN:x=1", ""},
          cas{"QT_QPA_PLATFORM", "offscreen", false, aucun, "",
              "QT_QPA_PLATFORM=offscreen : Qt n'a pas de greffon de plateforme offscreen"},
          cas{"QT_QPA_PLATFORM", "xcb;wayland", false, qt, "",
              "QT_QPA_PLATFORM=xcb;wayland : pas d'affichage et l'affichage wayland-0 ne répond "
              "pas"}}) {
        SCOPED_TRACE(c.variable ? std::string(c.variable) + "=" + c.valeur : "nothing");
        for (const char* v : variables) unsetenv(v);
        if (c.variable) setenv(c.variable, c.valeur, 1);
        if (c.avec_runtime) setenv("XDG_RUNTIME_DIR", runtime.chemin.c_str(), 1);
        const affichage a = cherche_affichage(c.greffons);
        EXPECT_EQ(a.fenetre, *c.plateforme != '\0');
        EXPECT_EQ(a.plateforme, c.plateforme);
        EXPECT_EQ(a.raison, c.raison);
    }
    close(compositeur);
    close(sourd);
    for (int n = 0; n < 4; ++n)
        sauvees[n] ? setenv(variables[n], sauvees[n]->c_str(), 1) : unsetenv(variables[n]);
}

// What an interrupted copy or install leaves of the window module, and other files in
// its place: the loader would die of a SIGBUS on a cut one.
TEST(VerifieModule, ADamagedModuleIsSaidWhatItIs) {
    const std::filesystem::path module = HORLIVET_MODULE;
    const auto taille = std::filesystem::file_size(module);
    const essai::dossier_temporaire dossier;
    struct cas {
        const char* nom;
        std::uintmax_t garde;
        const char* raison;
    };
    for (const cas& c : {cas{"whole", taille, ""}, cas{"empty", 0, "est vide"},
                         cas{"cut in the magic", 3, "n'est pas un module ELF"},
                         cas{"cut in the ELF header", 40, "est tronqué (40 octets, moins"},
                         cas{"cut as in the issue", 100000, "est tronqué (100000 octets sur"},
                         cas{"one byte short", taille - 1, "est tronqué ("}}) {
        SCOPED_TRACE(c.nom);
        const auto copie = dossier.chemin / c.nom;
        std::filesystem::copy_file(module, copie);
        std::filesystem::resize_file(copie, c.garde);
        EXPECT_TRUE(verifie_module(copie).starts_with(c.raison)) << verifie_module(copie);
    }
    std::ofstream(dossier.chemin / "script") << "#!/bin/sh\n";
    EXPECT_EQ(verifie_module(dossier.chemin / "script"), "n'est pas un module ELF");
    EXPECT_EQ(verifie_module(dossier.chemin), "n'est pas un fichier ordinaire");
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
