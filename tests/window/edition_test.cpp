#include "window/edition.h"

#include <gtest/gtest.h>

namespace horlivet {
namespace {

TEST(PositionTapee, NamesAnEntryByItsNumberWithOrWithoutBlanksAndLeadingZerosAndNothingElse) {
    for (const char* texte : {"7", " 7", "07", "007", " 07 ", "7  "}) {
        EXPECT_EQ(position_tapee(texte, 24), 7) << '"' << texte << '"';
    }
    for (const char* texte : {"24", "25", "", "   ", "ab", "7a", "1 2", "-1", "+7", "7.0", "0x7",
                              "/", ":", "99999999999999999999"}) {
        EXPECT_EQ(position_tapee(texte, 24), -1) << '"' << texte << '"';
    }
    EXPECT_EQ(position_tapee("0", 24), 0);
    EXPECT_EQ(position_tapee(" 23", 24), 23);
    EXPECT_EQ(position_tapee("59", 60), 59);
    EXPECT_EQ(position_tapee("60", 60), -1);
    EXPECT_EQ(position_tapee("0", 0), -1);
}

}  // namespace
}  // namespace horlivet
