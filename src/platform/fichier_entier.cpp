#include "platform/fichier_entier.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace horlivet {

namespace {

std::string raison(int erreur) { return std::strerror(erreur); }

constexpr std::string_view alphabet =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
constexpr std::size_t taille_aleatoire = 6;
constexpr std::string_view fin_temporaire = ".tmp";

// The folder of `chemin` ("." or ending in "/") and its file name.
std::pair<std::string, std::string> dossier_et_nom(const std::string& chemin) {
    const std::size_t barre = chemin.rfind('/');
    if (barre == std::string::npos) return {".", chemin};
    return {chemin.substr(0, barre + 1), chemin.substr(barre + 1)};
}

// Six characters no one can guess: from the kernel's random source, or when it is not
// ready yet (early at boot) from the clock and the process, which O_EXCL still makes
// safe.
std::string partie_aleatoire() {
    std::array<unsigned char, taille_aleatoire> octets{};
    if (::getrandom(octets.data(), octets.size(), GRND_NONBLOCK) !=
        static_cast<ssize_t>(octets.size())) {
        timespec t{};
        ::clock_gettime(CLOCK_MONOTONIC, &t);
        unsigned long long x = static_cast<unsigned long long>(t.tv_nsec) ^
                               static_cast<unsigned long long>(t.tv_sec) << 20 ^
                               static_cast<unsigned long long>(::getpid()) << 40;
        for (unsigned char& o : octets) {
            x = x * 6364136223846793005ULL + 1442695040888963407ULL;
            o = static_cast<unsigned char>(x >> 56);
        }
    }
    std::string r;
    for (const unsigned char o : octets) r += alphabet[o % alphabet.size()];
    return r;
}

// Whether `entree` is a temporary name of remplace_fichier_atomique for the file `nom`.
bool est_temporaire(std::string_view entree, const std::string& nom) {
    const std::size_t tete = 1 + nom.size() + 1;
    if (entree.size() != tete + taille_aleatoire + fin_temporaire.size() ||
        entree.substr(0, tete) != "." + nom + "." || !entree.ends_with(fin_temporaire))
        return false;
    return entree.substr(tete, taille_aleatoire).find_first_not_of(alphabet) ==
           std::string_view::npos;
}

}  // namespace

contenu_fichier lit_fichier_entier(const std::string& chemin, std::size_t taille_max) {
    contenu_fichier c;
    const int fd = ::open(chemin.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        c.absent = errno == ENOENT;
        c.erreur = raison(errno);
        return c;
    }
    const std::string trop_grand = "larger than " + std::to_string(taille_max) + " bytes";
    struct stat etat {};
    if (::fstat(fd, &etat) != 0) {
        c.erreur = raison(errno);
    } else if (S_ISDIR(etat.st_mode)) {
        c.erreur = raison(EISDIR);
    } else if (!S_ISREG(etat.st_mode)) {
        c.erreur = "not a regular file";
    } else if (static_cast<unsigned long long>(etat.st_size) > taille_max) {
        c.erreur = trop_grand;
    }
    std::array<char, 4096> tampon;
    // One byte past the bound tells a file that grew since fstat.
    while (c.erreur.empty() && c.texte.size() <= taille_max) {
        const std::size_t voulu = std::min(tampon.size(), taille_max + 1 - c.texte.size());
        const ssize_t n = ::read(fd, tampon.data(), voulu);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) c.erreur = raison(errno);
        if (n <= 0) break;
        c.texte.append(tampon.data(), static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (c.erreur.empty() && c.texte.size() > taille_max) c.erreur = trop_grand;
    if (!c.erreur.empty()) c.texte.clear();
    return c;
}

std::string remplace_fichier_atomique(const std::string& chemin, std::string_view texte) {
    const auto [dossier, nom] = dossier_et_nom(chemin);
    const std::string tete = (dossier == "." ? "" : dossier) + "." + nom + ".";

    struct stat etat {};
    const bool existait = ::stat(chemin.c_str(), &etat) == 0;
    // A new file at a name no one can plant beforehand: a link or a file already there
    // (left by another process, or put there to be written through) is never opened.
    std::string temporaire;
    int fd = -1;
    for (int essai = 0; fd < 0 && essai < 100; ++essai) {
        temporaire = tete + partie_aleatoire() + std::string(fin_temporaire);
        fd = ::open(temporaire.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) return raison(errno);
    const auto echec = [&](int erreur) {
        if (fd >= 0) ::close(fd);
        ::unlink(temporaire.c_str());
        return raison(erreur);
    };
    while (!texte.empty()) {
        const ssize_t n = ::write(fd, texte.data(), texte.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return echec(errno);
        texte.remove_prefix(static_cast<std::size_t>(n));
    }
    if (existait && ::fchmod(fd, etat.st_mode & 07777) != 0) return echec(errno);
    if (::fsync(fd) != 0) return echec(errno);
    const int fermeture = ::close(fd);
    fd = -1;
    if (fermeture != 0) return echec(errno);
    if (::rename(temporaire.c_str(), chemin.c_str()) != 0) return echec(errno);

    // The rename reaches the disk only with the folder; EINVAL: a file system that cannot
    // flush a folder has nothing more to wait for.
    const int dossier_fd = ::open(dossier.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dossier_fd < 0) return raison(errno);
    const bool flushe = ::fsync(dossier_fd) == 0 || errno == EINVAL;
    const int erreur = errno;
    ::close(dossier_fd);
    return flushe ? std::string() : raison(erreur);
}

std::string efface_temporaires(const std::string& chemin) {
    const auto [dossier, nom] = dossier_et_nom(chemin);
    const int dossier_fd = ::open(dossier.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dossier_fd < 0) return dossier + ": " + raison(errno);
    DIR* d = ::fdopendir(dossier_fd);
    if (d == nullptr) {
        const int erreur = errno;
        ::close(dossier_fd);
        return dossier + ": " + raison(erreur);
    }
    std::string r;
    while (const dirent* e = ::readdir(d)) {
        if (!est_temporaire(e->d_name, nom)) continue;
        struct stat etat {};
        if (::fstatat(dossier_fd, e->d_name, &etat, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (!S_ISREG(etat.st_mode) && !S_ISLNK(etat.st_mode)) continue;
        if (::unlinkat(dossier_fd, e->d_name, 0) != 0 && errno != ENOENT && r.empty())
            r = std::string(e->d_name) + ": " + raison(errno);
    }
    ::closedir(d);
    return r;
}

}  // namespace horlivet
