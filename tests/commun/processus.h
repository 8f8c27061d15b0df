#pragma once

// Processes and descriptors as /proc shows them, and waiting for a condition.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

namespace horlivet::essai {

// A process as /proc/<pid>/stat shows it.
struct processus {
    pid_t pid;
    pid_t parent;
    pid_t session;
    std::string nom;
};

// Nothing once the process is reaped. The name in brackets may hold spaces or brackets.
inline std::optional<processus> lit_processus(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    const std::string stat{std::istreambuf_iterator<char>(in), {}};
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

// The descriptors a process has open, by number.
inline std::vector<std::string> descripteurs(const std::string& pid = "self") {
    std::vector<std::string> r;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator("/proc/" + pid + "/fd", ec))
        r.push_back(e.path().filename());
    std::sort(r.begin(), r.end());
    return r;
}

}  // namespace horlivet::essai
