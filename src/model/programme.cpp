#include "model/programme.h"

#include <stdexcept>
#include <vector>

namespace horlivet {

namespace {

template <typename G>
auto& element(G& g, int k, int i) {
    if (k < 1 || k > nb_plages) throw std::out_of_range("slot number outside 1..4");
    return g.attente[static_cast<std::size_t>(k - 1)].at(static_cast<std::size_t>(i));
}

}  // namespace

std::string avec_separateur(std::string dossier) {
    if (dossier.empty() || dossier.back() != '/') dossier += '/';
    return dossier;
}

void fixe_dossier_programme(globales& g, const std::string& dossier) {
    g.dossier_programme = avec_separateur(dossier);
    g.fichier_ini = g.dossier_programme + "ervaline.ini";
    g.fichier_etat = g.dossier_programme + "horlivet.etat";
    g.dossier_actions = g.dossier_programme + "actions/";
}

void remplit_listes(ervaline& f) {
    const auto liste_nombres = [](int nombre) {
        std::vector<std::string> liste;
        liste.reserve(static_cast<std::size_t>(nombre));
        for (int n = 0; n < nombre; ++n) {
            // Appended rather than " " + to_string: GCC 12 warns wrongly on that at -O3.
            std::string entree(1, ' ');
            liste.push_back(entree += std::to_string(n));
        }
        return liste;
    };
    f.liste_heures = liste_nombres(24);
    f.liste_minutes = liste_nombres(60);
}

bool& attente_k(globales& g, int k, int i) { return element(g, k, i); }
bool attente_k(const globales& g, int k, int i) { return element(g, k, i); }

}  // namespace horlivet
