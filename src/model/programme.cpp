#include "model/programme.h"

#include <stdexcept>

namespace horlivet {

namespace {

template <typename G>
auto& element(G& g, int k, int i) {
    if (k < 1 || k > nb_plages) throw std::out_of_range("slot number outside 1..4");
    return g.attente[static_cast<std::size_t>(k - 1)].at(static_cast<std::size_t>(i));
}

}  // namespace

bool& attente_k(globales& g, int k, int i) { return element(g, k, i); }
bool attente_k(const globales& g, int k, int i) { return element(g, k, i); }

}  // namespace horlivet
