#include "platform/affichage.h"

#include <cstdio>
#include <cstdlib>

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

}  // namespace horlivet
