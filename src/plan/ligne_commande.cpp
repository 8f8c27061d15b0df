#include "plan/ligne_commande.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <ostream>

#include "plan/graphique.h"
#include "plan/plan.h"

namespace horlivet {

namespace {

constexpr const char* nom_outil = "horlivet-plan";

struct options {
    std::string fichier_ini;
    std::string fichier_svg;
    bool aide = false;
};

// Reads the arguments into `o`; returns the reason they are wrong, or the empty text.
std::string lit_options(const std::vector<std::string>& arguments, options& o) {
    bool fin_options = false;
    for (std::size_t n = 0; n < arguments.size(); ++n) {
        const std::string& a = arguments[n];
        if (!fin_options && (a == "--help" || a == "-h")) {
            o.aide = true;
        } else if (!fin_options && a == "--svg") {
            if (n + 1 >= arguments.size()) return "--svg needs a file name";
            o.fichier_svg = arguments[++n];
        } else if (!fin_options && a.rfind("--svg=", 0) == 0) {
            o.fichier_svg = a.substr(6);
            if (o.fichier_svg.empty()) return "--svg needs a file name";
        } else if (!fin_options && a == "--") {
            fin_options = true;
        } else if (!fin_options && a.size() > 1 && a[0] == '-') {
            return "unknown option " + a;
        } else if (o.fichier_ini.empty()) {
            o.fichier_ini = a;
        } else {
            return "one settings file at most (" + o.fichier_ini + ", then " + a + ")";
        }
    }
    return {};
}

// Writes `texte` to `chemin`; returns the reason of a failure, or the empty text.
std::string ecrit_fichier(const std::string& chemin, const std::string& texte) {
    errno = 0;
    std::ofstream f(chemin, std::ios::binary | std::ios::trunc);
    if (f) {
        f << texte;
        f.close();
    }
    if (f) return {};
    return errno != 0 ? std::strerror(errno) : "cannot be written";
}

}  // namespace

std::string aide_plan() {
    return "Usage: horlivet-plan [--svg FILE] [SETTINGS]\n"
           "\n"
           "Shows the schedule of SETTINGS (by default ervaline.ini beside the program), read\n"
           "as horlivet reads it: each channel's days and enabled slots, its next start and\n"
           "stop launch as horlivet started now would make them, and every slot that fails\n"
           "an ordering check. Slots that follow the sun show each day's own times, and\n"
           "today's draw of slots that vary is read from horlivet.etat beside SETTINGS.\n"
           "\n"
           "  --svg FILE  also draws the week as an SVG chart in FILE\n"
           "  --help      shows this help\n"
           "\n"
           "Exit status: 0 no warning, 1 warnings, 2 error (a missing or unreadable file,\n"
           "a wrong argument).\n";
}

int execute_plan(const std::vector<std::string>& arguments, const std::string& dossier_programme,
                 std::chrono::sys_seconds maintenant, const conversion_locale& locale,
                 std::ostream& sortie, std::ostream& erreurs, const calcul_soleil& soleil,
                 const lecture_fichier& lit_fichier) {
    options o;
    if (const std::string faute = lit_options(arguments, o); !faute.empty()) {
        erreurs << nom_outil << ": " << faute << "\n" << aide_plan();
        return sortie_erreur;
    }
    if (o.aide) {
        sortie << aide_plan();
        return sortie_sans_avertissement;
    }
    if (o.fichier_ini.empty()) o.fichier_ini = dossier_programme + "/ervaline.ini";

    // The program would start on defaults without its file; a viewer that did the same
    // would show a plan nobody wrote.
    if (const std::string raison = raison_illisible(o.fichier_ini); !raison.empty()) {
        erreurs << nom_outil << ": " << o.fichier_ini << ": " << raison << "\n";
        return sortie_erreur;
    }

    programme p;
    std::vector<std::string> messages;
    // Slots that follow the sun show today's times, as the program works them out.
    p.s.soleil = soleil;
    p.s.locale = locale;
    p.s.maintenant = [&locale, maintenant] { return locale(maintenant); };
    p.s.lit_fichier = lit_fichier;
    charge_plan(p, o.fichier_ini, messages);
    const plan r = calcule_plan(p, messages, maintenant, locale);
    sortie << texte_plan(p, r, o.fichier_ini, locale(maintenant));

    if (!o.fichier_svg.empty()) {
        const std::string titre =
            "Horlivet week plan: " + std::filesystem::path(o.fichier_ini).filename().string();
        const std::string svg =
            graphique_svg(p, titre, horaires_de_la_semaine(p, locale(maintenant)));
        if (const std::string raison = ecrit_fichier(o.fichier_svg, svg); !raison.empty()) {
            erreurs << nom_outil << ": " << o.fichier_svg << ": " << raison << "\n";
            return sortie_erreur;
        }
    }
    return a_des_avertissements(r) ? sortie_avertissements : sortie_sans_avertissement;
}

}  // namespace horlivet
