#include "platform/affichage.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QLibrary>
#include <QLibraryInfo>
#include <QPluginLoader>

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

enum class reponse { aucune, autre, wayland };

// Sends the compositor on `nom` (a full path, or a name in XDG_RUNTIME_DIR) a
// wl_display.sync and waits up to a second for its wl_callback.done. Qt would wait for
// ever on a socket that listens without speaking Wayland, so nothing here blocks: the
// socket is non-blocking (a listener that never accepts fills its backlog) and the
// answer is polled for.
reponse wayland_repond(const std::string& nom) {
    std::string chemin = nom;
    if (chemin.front() != '/') {
        const char* runtime = valeur("XDG_RUNTIME_DIR");
        if (runtime == nullptr) return reponse::aucune;
        chemin = std::string(runtime) + "/" + chemin;
    }
    sockaddr_un adresse{};
    adresse.sun_family = AF_UNIX;
    if (chemin.size() >= sizeof adresse.sun_path) return reponse::aucune;
    std::memcpy(adresse.sun_path, chemin.c_str(), chemin.size() + 1);
    const int prise = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (prise < 0) return reponse::aucune;
    // The wire protocol in the host's byte order: object id, then size << 16 | opcode.
    // Object 1 is wl_display, its request 0 sync, with the new wl_callback's id, 2.
    const std::uint32_t demande[3] = {1, 12u << 16, 2};
    std::uint32_t recu[3] = {};
    std::size_t lu = 0;
    if (connect(prise, reinterpret_cast<const sockaddr*>(&adresse), sizeof adresse) == 0 &&
        send(prise, demande, sizeof demande, MSG_NOSIGNAL) == sizeof demande) {
        const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        while (lu < sizeof recu) {
            const auto reste = std::chrono::duration_cast<std::chrono::milliseconds>(
                limite - std::chrono::steady_clock::now());
            pollfd attente{prise, POLLIN, 0};
            if (reste.count() <= 0 || poll(&attente, 1, static_cast<int>(reste.count())) == 0)
                break;
            const ssize_t n = recv(prise, reinterpret_cast<char*>(recu) + lu, sizeof recu - lu, 0);
            if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            if (n <= 0) break;
            lu += static_cast<std::size_t>(n);
        }
    }
    close(prise);
    if (lu == 0) return reponse::aucune;
    // Event 0 of object 2, done, with its serial: 12 bytes.
    return lu == sizeof recu && recu[0] == 2 && recu[1] == 12u << 16 ? reponse::wayland
                                                                     : reponse::autre;
}

// Whether a platform plugin whose keys hold `nom` lies in one of `dossiers`, found as Qt
// finds it: by the metadata read from the file, without loading it (and QtGui with it).
bool plateforme_presente(const std::string& nom, const std::vector<std::string>& dossiers) {
    const QString cle = QString::fromStdString(nom);
    for (const std::string& d : dossiers) {
        const QDir dossier(QString::fromStdString(d));
        for (const QString& fichier : dossier.entryList(QDir::Files)) {
            if (!QLibrary::isLibrary(fichier)) continue;
            const QJsonObject meta = QPluginLoader(dossier.filePath(fichier)).metaData();
            if (!meta.value("IID").toString().startsWith(
                    "org.qt-project.Qt.QPA.QPlatformIntegration"))
                continue;
            for (const QJsonValue k : meta.value("MetaData").toObject().value("Keys").toArray())
                if (k.toString().compare(cle, Qt::CaseInsensitive) == 0) return true;
        }
    }
    return false;
}

// Why Qt could not show a window on its platform `nom` ("wayland", "xcb", "offscreen"
// ...): empty when it can. A Wayland or X display must answer; the other platforms are
// left to Qt once their plugin is there.
std::string raison_plateforme(const std::string& nom, const std::vector<std::string>& dossiers) {
    if (nom.starts_with("wayland")) {
        // Qt's compositor when WAYLAND_DISPLAY is not set.
        const char* d = valeur("WAYLAND_DISPLAY");
        const std::string affichage = d ? d : "wayland-0";
        switch (wayland_repond(affichage)) {
            case reponse::aucune:
                return "l'affichage " + affichage + " ne répond pas";
            case reponse::autre:
                return "l'affichage " + affichage + " ne parle pas Wayland";
            case reponse::wayland:
                break;
        }
    } else if (nom == "xcb") {
        const char* d = valeur("DISPLAY");
        if (d == nullptr) return "pas d'affichage";
        if (!x_repond(d)) return std::string("l'affichage ") + d + " ne répond pas";
    }
    if (plateforme_presente(nom, dossiers)) return "";
    return "Qt n'a pas de greffon de plateforme " + nom +
           (nom.starts_with("wayland") ? " (paquet qt6-wayland)" : "");
}

// Reads `n` bytes at `position` into `dans`; false when the file holds fewer.
bool lit(int fichier, void* dans, std::size_t n, std::uint64_t position) {
    std::size_t lu = 0;
    while (lu < n) {
        const ssize_t r = pread(fichier, static_cast<char*>(dans) + lu, n - lu,
                                static_cast<off_t>(position + lu));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        lu += static_cast<std::size_t>(r);
    }
    return true;
}

// The check of verifie_module on an open regular file of `taille` bytes. The loader
// maps the segments and reads the tables the headers point to: one that lies past the
// end (an interrupted copy) is a SIGBUS, not an error it could report.
std::string verifie_elf(int fichier, std::uint64_t taille) {
    if (taille == 0) return "est vide";
    ElfW(Ehdr) e{};
    if (!lit(fichier, &e, std::min<std::uint64_t>(taille, sizeof e), 0) || taille < SELFMAG ||
        std::memcmp(e.e_ident, ELFMAG, SELFMAG) != 0)
        return "n'est pas un module ELF";
    const std::string tronque = "est tronqué (" + std::to_string(taille) + " octets";
    if (taille < sizeof e) return tronque + ", moins que son en-tête ELF)";
    constexpr unsigned char classe = __ELF_NATIVE_CLASS == 64 ? ELFCLASS64 : ELFCLASS32;
    constexpr unsigned char ordre =
        __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ ? ELFDATA2LSB : ELFDATA2MSB;
    if (e.e_ident[EI_CLASS] != classe || e.e_ident[EI_DATA] != ordre)
        return "n'est pas un module ELF de cette machine";
    const std::string incoherent = "a des en-têtes ELF incohérents";
    if (e.e_phnum == 0 || e.e_phentsize != sizeof(ElfW(Phdr)) ||
        (e.e_shnum != 0 && e.e_shentsize != sizeof(ElfW(Shdr))))
        return incoherent;
    // The furthest end of what the headers describe.
    std::uint64_t fin = 0;
    bool deborde = false;
    const auto etend = [&](std::uint64_t debut, std::uint64_t longueur) {
        std::uint64_t bout = 0;
        deborde = deborde || __builtin_add_overflow(debut, longueur, &bout);
        fin = std::max(fin, bout);
    };
    etend(e.e_phoff, std::uint64_t{e.e_phnum} * sizeof(ElfW(Phdr)));
    etend(e.e_shoff, std::uint64_t{e.e_shnum} * sizeof(ElfW(Shdr)));
    for (std::uint64_t n = 0; !deborde && fin <= taille && n < e.e_phnum; ++n) {
        ElfW(Phdr) p{};
        if (!lit(fichier, &p, sizeof p, e.e_phoff + n * sizeof p)) return incoherent;
        etend(p.p_offset, p.p_filesz);
    }
    if (deborde) return incoherent;
    if (fin > taille) return tronque + " sur au moins " + std::to_string(fin) + ")";
    return "";
}

}  // namespace

std::vector<std::string> dossiers_plateformes_qt() {
    std::vector<std::string> dossiers;
    if (const char* d = valeur("QT_QPA_PLATFORM_PLUGIN_PATH")) dossiers.push_back(d);
    if (const char* chemins = valeur("QT_PLUGIN_PATH")) {
        const std::string liste = chemins;
        for (std::size_t debut = 0, fin = 0; debut <= liste.size(); debut = fin + 1) {
            fin = std::min(liste.find(':', debut), liste.size());
            if (fin > debut) dossiers.push_back(liste.substr(debut, fin - debut) + "/platforms");
        }
    }
    dossiers.push_back(QLibraryInfo::path(QLibraryInfo::PluginsPath).toStdString() + "/platforms");
    return dossiers;
}

affichage cherche_affichage(const std::vector<std::string>& dossiers_plateformes) {
    // The platforms to try, in order: QT_QPA_PLATFORM's entries (separated by ';', each
    // a plugin's key with its options after ':'), or Wayland's and X's when set.
    std::vector<std::string> essais;
    std::string raison;
    if (const char* choix = valeur("QT_QPA_PLATFORM")) {
        const std::string liste = choix;
        for (std::size_t debut = 0, fin = 0; debut <= liste.size(); debut = fin + 1) {
            fin = std::min(liste.find(';', debut), liste.size());
            if (fin > debut) essais.push_back(liste.substr(debut, fin - debut));
        }
        raison = "QT_QPA_PLATFORM=" + liste + " : ";
        if (essais.empty()) return {false, "", raison + "aucune plateforme"};
    } else {
        if (valeur("WAYLAND_DISPLAY")) essais.push_back("wayland");
        if (valeur("DISPLAY")) essais.push_back("xcb");
        if (essais.empty()) return {false, "", "pas d'affichage"};
    }
    for (std::size_t n = 0; n < essais.size(); ++n) {
        const std::string& essai = essais[n];
        const std::string r =
            raison_plateforme(essai.substr(0, essai.find(':')), dossiers_plateformes);
        if (r.empty()) return {true, essai, ""};
        raison += (n == 0 ? "" : " et ") + r;
    }
    return {false, "", raison};
}

std::string verifie_module(const std::string& chemin) {
    // Non-blocking, so that a FIFO in its place does not hang the startup.
    const int fichier = open(chemin.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fichier < 0) return "";
    struct stat etat {};
    std::string raison;
    if (fstat(fichier, &etat) == 0)
        raison = S_ISREG(etat.st_mode)
                     ? verifie_elf(fichier, static_cast<std::uint64_t>(etat.st_size))
                     : "n'est pas un fichier ordinaire";
    close(fichier);
    return raison;
}

entree_fenetre charge_fenetre(const std::string& dossier, std::string& raison) {
    const std::string chemin = dossier + "/" + module_fenetre;
    if (const std::string abime = verifie_module(chemin); !abime.empty()) {
        raison = "la fenêtre ne se charge pas (" + chemin + " " + abime + ")";
        return nullptr;
    }
    void* module = dlopen(chemin.c_str(), RTLD_NOW | RTLD_LOCAL);
    void* entree = module ? dlsym(module, symbole_fenetre) : nullptr;
    if (entree == nullptr) {
        const char* erreur = dlerror();
        raison = std::string("la fenêtre ne se charge pas (") + (erreur ? erreur : "?") + ")";
        return nullptr;
    }
    return reinterpret_cast<entree_fenetre>(entree);
}

}  // namespace horlivet
