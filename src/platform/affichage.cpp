#include "platform/affichage.h"

#include <cstdlib>
#include <cstring>

#include <dlfcn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace horlivet {

namespace {

const char* valeur(const char* variable) {
    const char* v = std::getenv(variable);
    return v != nullptr && *v != '\0' ? v : nullptr;
}

// Through the library Qt's own X platform uses, loaded only when a display is set, so
// that it answers as Qt would. Without the library, Qt could not reach X either.
bool x_repond(const char* nom) {
    void* xcb = dlopen("libxcb.so.1", RTLD_LAZY | RTLD_LOCAL);
    if (xcb == nullptr) return false;
    using connecte_t = void* (*)(const char*, int*);
    using erreur_t = int (*)(void*);
    using deconnecte_t = void (*)(void*);
    const auto connecte = reinterpret_cast<connecte_t>(dlsym(xcb, "xcb_connect"));
    const auto erreur = reinterpret_cast<erreur_t>(dlsym(xcb, "xcb_connection_has_error"));
    const auto deconnecte = reinterpret_cast<deconnecte_t>(dlsym(xcb, "xcb_disconnect"));
    if (connecte == nullptr || erreur == nullptr || deconnecte == nullptr) return false;
    // Always a connection object, an error one when the server cannot be reached.
    void* connexion = connecte(nom, nullptr);
    const bool ouvert = erreur(connexion) == 0;
    deconnecte(connexion);
    return ouvert;
}

// A compositor listens on the socket WAYLAND_DISPLAY names: a full path, or a name in
// XDG_RUNTIME_DIR.
bool wayland_repond(const char* nom) {
    std::string chemin = nom;
    if (chemin.front() != '/') {
        const char* runtime = valeur("XDG_RUNTIME_DIR");
        if (runtime == nullptr) return false;
        chemin = std::string(runtime) + "/" + chemin;
    }
    sockaddr_un adresse{};
    adresse.sun_family = AF_UNIX;
    if (chemin.size() >= sizeof adresse.sun_path) return false;
    std::memcpy(adresse.sun_path, chemin.c_str(), chemin.size() + 1);
    const int prise = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (prise < 0) return false;
    const bool ouvert =
        connect(prise, reinterpret_cast<const sockaddr*>(&adresse), sizeof adresse) == 0;
    close(prise);
    return ouvert;
}

}  // namespace

affichage cherche_affichage() {
    if (valeur("QT_QPA_PLATFORM")) return {true, ""};
    const char* x = valeur("DISPLAY");
    const char* wayland = valeur("WAYLAND_DISPLAY");
    if (x == nullptr && wayland == nullptr) return {false, "pas d'affichage"};
    if (x != nullptr && x_repond(x)) return {true, ""};
    if (wayland != nullptr && wayland_repond(wayland)) return {true, ""};
    std::string raison;
    if (x != nullptr) raison = std::string("l'affichage ") + x + " ne répond pas";
    if (wayland != nullptr) {
        raison += raison.empty() ? "l'affichage " : ", ni ";
        raison += std::string(wayland) + " ne répond pas";
    }
    return {false, raison};
}

entree_fenetre charge_fenetre(const std::string& dossier, std::string& raison) {
    void* module = dlopen((dossier + "/" + module_fenetre).c_str(), RTLD_NOW | RTLD_LOCAL);
    void* entree = module ? dlsym(module, symbole_fenetre) : nullptr;
    if (entree == nullptr) {
        const char* erreur = dlerror();
        raison = std::string("la fenêtre ne se charge pas (") + (erreur ? erreur : "?") + ")";
        return nullptr;
    }
    return reinterpret_cast<entree_fenetre>(entree);
}

}  // namespace horlivet
