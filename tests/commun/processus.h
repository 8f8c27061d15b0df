#pragma once

// Processes and descriptors as /proc shows them, and waiting for a condition.

#include <chrono>
#include <filesystem>
#include <functional>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace horlivet::essai {

// The whole content of a file, or nothing when it cannot be read: a process's /proc
// files fail with ESRCH once it is reaped, even while open.
inline std::optional<std::string> lit_si_possible(const std::filesystem::path& chemin) {
    const int fd = open(chemin.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::string contenu;
    char bloc[4096];
    ssize_t lu;
    while ((lu = read(fd, bloc, sizeof bloc)) > 0) contenu.append(bloc, std::size_t(lu));
    close(fd);
    if (lu < 0) return std::nullopt;
    return contenu;
}

// A process as /proc shows it.
struct processus {
    pid_t pid;
    char etat;
    pid_t parent;
    pid_t session;
    std::string nom;
};

// Reads /proc/<pid>/stat; the name in brackets may hold spaces or brackets itself.
inline std::optional<processus> lit_processus(pid_t pid) {
    const auto stat = lit_si_possible("/proc/" + std::to_string(pid) + "/stat");
    if (!stat) return std::nullopt;
    const auto ouvre = stat->find('('), ferme = stat->rfind(')');
    if (ouvre == std::string::npos || ferme == std::string::npos) return std::nullopt;
    processus p{pid, 0, 0, 0, stat->substr(ouvre + 1, ferme - ouvre - 1)};
    std::istringstream reste(stat->substr(ferme + 1));
    pid_t groupe = 0;
    reste >> p.etat >> p.parent >> groupe >> p.session;
    return p;
}

// Our child processes, running or zombie.
inline std::vector<processus> nos_enfants() {
    std::vector<processus> enfants;
    std::error_code ec;
    for (const auto& entree : std::filesystem::directory_iterator("/proc", ec)) {
        const std::string nom = entree.path().filename().string();
        if (nom.find_first_not_of("0123456789") != std::string::npos) continue;
        const auto p = lit_processus(std::stoi(nom));
        if (p && p->parent == getpid()) enfants.push_back(*p);
    }
    return enfants;
}

// Polls `condition` until it holds or `delai` has passed; true when it held.
inline bool attend(const std::function<bool()>& condition,
                   std::chrono::milliseconds delai = std::chrono::seconds(5)) {
    const auto limite = std::chrono::steady_clock::now() + delai;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > limite) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// How many descriptors this process has open.
inline int nombre_descripteurs() {
    return int(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                             std::filesystem::directory_iterator()));
}

}  // namespace horlivet::essai
