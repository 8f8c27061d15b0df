#include "model/mots.h"

namespace horlivet {

std::vector<std::string_view> mots(std::string_view texte) {
    constexpr std::string_view blancs = " \t\r\n";
    std::vector<std::string_view> r;
    for (;;) {
        const std::size_t debut = texte.find_first_not_of(blancs);
        if (debut == std::string_view::npos) return r;
        texte.remove_prefix(debut);
        const std::size_t fin = texte.find_first_of(blancs);
        r.push_back(texte.substr(0, fin));
        if (fin == std::string_view::npos) return r;
        texte.remove_prefix(fin);
    }
}

}  // namespace horlivet
