#pragma once

// What the benchmarks share: a temporary folder, whole-file reads and writes, a program
// set up as startup leaves it, with a full schedule, and the settings files to load.

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include "model/programme.h"
#include "platform/horloge.h"
#include "settings/ini.h"
#include "window/demarrage.h"
#include "window/edition.h"

namespace horlivet::banc {

// A fresh folder under TMPDIR, removed with what it holds at the end.
struct dossier_temporaire {
    std::filesystem::path chemin;
    dossier_temporaire() {
        std::string modele =
            (std::filesystem::temp_directory_path() / "horlivet_banc.XXXXXX").string();
        if (::mkdtemp(modele.data()) == nullptr) throw std::runtime_error("mkdtemp");
        chemin = modele;
    }
    ~dossier_temporaire() {
        std::error_code ignore;
        std::filesystem::remove_all(chemin, ignore);
    }
    dossier_temporaire(const dossier_temporaire&) = delete;
    dossier_temporaire& operator=(const dossier_temporaire&) = delete;
    std::string operator/(std::string_view nom) const { return (chemin / nom).string(); }
};

// The whole file into memory with open and read, as the plainest program would do it.
inline std::string lit_fichier(const std::string& chemin) {
    const int fd = ::open(chemin.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw std::runtime_error(chemin + ": " + std::strerror(errno));
    std::string octets;
    char tampon[65536];
    for (;;) {
        const ssize_t n = ::read(fd, tampon, sizeof tampon);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        octets.append(tampon, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return octets;
}

// Writes `octets` to the file at `chemin`, fsync-ed if asked; false on any failure.
inline bool ecrit_fichier(const std::string& chemin, std::string_view octets, int drapeaux,
                          bool synchronise) {
    const int fd = ::open(chemin.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | drapeaux, 0644);
    if (fd < 0) return false;
    bool ok = true;
    while (ok && !octets.empty()) {
        const ssize_t n = ::write(fd, octets.data(), octets.size());
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) octets.remove_prefix(static_cast<std::size_t>(n));
    }
    if (ok && synchronise) ok = ::fsync(fd) == 0;
    return ::close(fd) == 0 && ok;
}

// A program as Form_Load leaves it before the load: handlers routed, lists filled, the
// program folder `dossier`, and message boxes that only record.
struct programme_banc {
    programme p;
    std::vector<std::string> messages;

    explicit programme_banc(const std::string& dossier) {
        p.s.maintenant = maintenant_systeme;
        p.s.message = [this](const std::string&, const std::string& texte) {
            messages.push_back(texte);
        };
        route_handlers(p);
        fixe_dossier_programme(p.g, dossier);
        remplit_listes(p.fenetre);
    }
    programme_banc(const programme_banc&) = delete;
    programme_banc& operator=(const programme_banc&) = delete;
};

// A full schedule: every channel named, every day ticked, four ordered slots enabled
// (channel i from i + 1 h to i + 12 h, in four spans), a start and a stop command.
inline void remplit_horaire(programme& p) {
    for (int i = 0; i < nb_voies; ++i) {
        ecrit_texte(p.fenetre, champ::nom, i, "Voie " + std::to_string(i + 1));
        for (int d = 0; d < nb_jours; ++d) ecrit_coche(p.fenetre, jour(d), i, true);
        for (int k = 1; k <= nb_plages; ++k) {
            const int heure = i + 3 * (k - 1);
            ecrit_position(p.fenetre, H_marche(k), i, heure + 1);
            ecrit_position(p.fenetre, M_marche(k), i, 5 * k);
            ecrit_position(p.fenetre, H_arret(k), i, heure + 2);
            ecrit_position(p.fenetre, M_arret(k), i, 10 * k);
            ecrit_coche(p.fenetre, valid_k(k), i, true);
        }
        ecrit_texte(p.fenetre, champ::Commande_marche, i, "marche_" + std::to_string(i) + ".sh");
        ecrit_texte(p.fenetre, champ::commande_arret, i, "arret_" + std::to_string(i) + ".sh");
        rafraichit_horaires(p.h, p.fenetre, i);
    }
}

// About `taille` bytes of other sections of 20 keys each, as another program would keep
// beside ours in the same file.
inline std::string autres_sections(std::size_t taille) {
    std::string t;
    for (int s = 0; t.size() < taille; ++s) {
        t += "[autre_" + std::to_string(s) + "]\r\n";
        for (int k = 0; k < 20; ++k)
            t += "Cle_" + std::to_string(k) + "=une valeur assez longue\r\n";
    }
    return t;
}

// Writes the settings file of a full schedule, after `autres` bytes of other sections,
// with the program's own save, into the folder of `banc`.
inline void ecrit_reglages(const std::string& fichier_ini, std::size_t autres) {
    if (!ecrit_fichier(fichier_ini, autres_sections(autres), O_TRUNC, false))
        throw std::runtime_error(fichier_ini + ": " + std::strerror(errno));
    const std::string dossier = std::filesystem::path(fichier_ini).parent_path().string();
    programme_banc banc(dossier);
    banc.p.g.fichier_ini = fichier_ini;
    remplit_horaire(banc.p);
    enregistre_Click(banc.p);
    if (!banc.messages.empty()) throw std::runtime_error(banc.messages.front());
}

}  // namespace horlivet::banc
