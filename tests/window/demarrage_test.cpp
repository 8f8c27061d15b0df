#include "window/demarrage.h"

#include <cstdlib>
#include <memory>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/faux.h"

namespace horlivet {
namespace {

using namespace test;

// The exit hook in a child that ends through exit(): what it launched ('A' a stop), what
// it showed ('W' a widget) and its status, as "<events> <status>". `avant` runs once the
// hook is set, with a channel started, before exit.
std::string fin_par_exit(void (*avant)(std::unique_ptr<banc_faux>&)) {
    int tube[2];
    if (pipe(tube) != 0) return "no pipe";
    const pid_t enfant = fork();
    if (enfant == 0) {
        close(tube[0]);
        auto b = std::make_unique<banc_faux>();
        b->p.s.lance = [fd = tube[1]](const std::string&, const std::string&) {
            return write(fd, "A", 1) == 1 ? 33 : 0;
        };
        b->p.s.termine = [](int statut) { _exit(statut); };
        // Light mauve, as after its start launch: the stop would turn it yellow.
        ecrit_fond(b->p.fenetre, champ::nom, 3, mauve_clair);
        b->p.fenetre.sur_affichage = [fd = tube[1]](champ, int) { (void)!write(fd, "W", 1); };
        attente_k(b->p.g, 2, 3) = false;
        arret_a_la_sortie(b->p);
        avant(b);
        std::exit(0);
    }
    close(tube[1]);
    std::string evenements;
    char c;
    while (read(tube[0], &c, 1) == 1) evenements += c;
    close(tube[0]);
    int statut = 0;
    waitpid(enfant, &statut, 0);
    return evenements + " " + std::to_string(WIFEXITED(statut) ? WEXITSTATUS(statut) : -1);
}

TEST(Demarrage, AnEndThroughExitStopsOnceWithoutTouchingAWidget) {
    // Qt ends the process so when the display goes away.
    EXPECT_EQ(fin_par_exit([](std::unique_ptr<banc_faux>&) {}), "A 1");
    // After the shutdown and the program's end, the hook finds nothing to stop.
    EXPECT_EQ(fin_par_exit([](std::unique_ptr<banc_faux>& b) {
                  b->p.s.termine = [](int) {};
                  FIN_Click(b->p);
                  b.reset();
              }),
              "AW 0");
}

}  // namespace
}  // namespace horlivet
