#pragma once

// Root ignores permission bits: a test about them runs again as the user nobody.

#include <filesystem>
#include <string>
#include <vector>

#include <spawn.h>
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
    std::vector<std::string> arguments = {
        "setpriv",
        "--reuid=65534",
        "--regid=65534",
        "--clear-groups",
        std::filesystem::read_symlink("/proc/self/exe").string(),
        "--gtest_filter=" + std::string(test->test_suite_name()) + "." + test->name(),
    };
    std::vector<char*> argv;
    for (std::string& a : arguments) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        ADD_FAILURE() << "setpriv (util-linux) is needed to test permissions as root";
        return true;
    }
    int statut = 0;
    ::waitpid(pid, &statut, 0);
    EXPECT_TRUE(WIFEXITED(statut) && WEXITSTATUS(statut) == 0)
        << "the test failed as the user nobody: its output is above";
    return true;
}

}  // namespace horlivet::essai
