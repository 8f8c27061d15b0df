#include "platform/systeme.h"

#include <filesystem>

namespace horlivet {

std::string dossier_executable() {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path().string();
}

}  // namespace horlivet
