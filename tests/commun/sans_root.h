#pragma once

// Root ignores permission bits: a test about them runs again as the user nobody.

#include <cstdlib>
#include <filesystem>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace horlivet::essai {

// Run as root, runs the current test again in this test program as the user nobody
// (through setpriv), reports how that went and returns true: the caller returns at once.
// Run as anyone else, does nothing and returns false.
inline bool relance_en_tant_que_personne() {
    if (::geteuid() != 0) return false;
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    const int statut =
        std::system(("setpriv --reuid=65534 --regid=65534 --clear-groups '" +
                     std::filesystem::read_symlink("/proc/self/exe").string() +
                     "' --gtest_filter=" + test->test_suite_name() + "." + test->name())
                        .c_str());
    EXPECT_TRUE(WIFEXITED(statut) && WEXITSTATUS(statut) == 0)
        << "the test failed as the user nobody (its output is above), or setpriv (util-linux) "
           "is missing";
    return true;
}

}  // namespace horlivet::essai
