#pragma once

// Processes as /proc shows them, and waiting for a condition.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "commun/fichiers.h"

namespace horlivet::essai {

// A process as /proc/<pid>/stat shows it.
struct processus {
    pid_t pid, parent, session;
    std::string nom;
};

// Nothing once the process is reaped. The name in brackets may hold spaces or brackets.
inline std::optional<processus> lit_processus(pid_t pid) {
    const std::string stat = lit_fichier("/proc/" + std::to_string(pid) + "/stat");
    const auto ouvre = stat.find('('), ferme = stat.rfind(')');
    processus p{pid, 0, 0, stat.substr(ouvre + 1, ferme - ouvre - 1)};
    if (ferme == std::string::npos ||
        std::sscanf(stat.c_str() + ferme + 1, " %*c %d %*d %d", &p.parent, &p.session) != 2)
        return std::nullopt;
    return p;
}

// Our child processes, running or zombie.
inline std::vector<processus> nos_enfants() {
    std::vector<processus> enfants;
    for (const std::string& nom : noms_dans("/proc")) {  // "self" and the like read as 0
        const auto p = lit_processus(std::atoi(nom.c_str()));
        if (p && p->parent == getpid()) enfants.push_back(*p);
    }
    return enfants;
}

// Polls `condition` until it holds or `delai` has passed; true when it held.
inline bool attend(const std::function<bool()>& condition,
                   std::chrono::milliseconds delai = std::chrono::seconds(5)) {
    const auto limite = std::chrono::steady_clock::now() + delai;
    for (; !condition(); std::this_thread::sleep_for(std::chrono::milliseconds(5)))
        if (std::chrono::steady_clock::now() > limite) return false;
    return true;
}

}  // namespace horlivet::essai
