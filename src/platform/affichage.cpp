#include "platform/affichage.h"

#include <cstdio>
#include <cstdlib>

#include <fontconfig/fontconfig.h>

namespace horlivet {

namespace {

bool defini(const char* variable) {
    const char* valeur = std::getenv(variable);
    return valeur != nullptr && *valeur != '\0';
}

}  // namespace

bool choisit_plateforme_sans_affichage() {
    if (defini("DISPLAY") || defini("WAYLAND_DISPLAY") || defini("QT_QPA_PLATFORM")) return false;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::fprintf(stderr, "horlivet: pas d'affichage, le programme tourne sans fenêtre\n");
    return true;
}

std::jthread prepare_polices() {
    // A failure here is met again, and reported, where Qt asks for its fonts.
    return std::jthread([] { FcInit(); });
}

}  // namespace horlivet
