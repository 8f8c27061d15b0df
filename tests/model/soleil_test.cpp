#include "model/soleil.h"

#include <gtest/gtest.h>

namespace horlivet {
namespace {

TEST(Soleil, ReadsTheRulesAPersonWritesAndRefusesTheRest) {
    const struct {
        const char* texte;
        const char* relu;  // "" when refused
    } table[] = {
        {"coucher+30 apres 17:00 avant 22:00", "coucher+30 apres 17:00 avant 22:00"},
        {"  lever - 15 ", "lever-15"},
        {"coucher avant 9:05 après 08:00", "coucher apres 08:00 avant 09:05"},
        {"lever+0", "lever"},
        {"midi", ""},
        {"coucher+30min", ""},
        {"coucher+721", ""},
        {"coucher apres 24:00", ""},
        {"coucher apres 17:00 apres 18:00", ""},
        {"coucher avant", ""},
        {"", ""},
    };
    for (const auto& c : table) {
        SCOPED_TRACE(c.texte);
        const auto r = lit_regle_soleil(c.texte);
        EXPECT_EQ(r ? texte_regle_soleil(*r) : "", c.relu);
    }
}

}  // namespace
}  // namespace horlivet
