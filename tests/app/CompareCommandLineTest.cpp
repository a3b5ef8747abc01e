// The command line's comparison: the listing's lines and exit status on
// equal, different and missing files, and --compare A B asking for the window.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fstream>
#include <sstream>
#include <string>

#include "app/shell/CommandLine.h"

using namespace hx;

namespace {

struct Listing {
    const char *name;
    std::string a, b;      // file contents; "missing" names no file
    std::string out;       // expected lines
    int code;
};

TEST(CompareCommandLine, ListsTheDifferingRangesWithTheExitStatusOfCmp) {
    std::string big(70000, 'x'), changed = big;
    changed[10] = 'y';
    changed[65536] = 'y';
    changed[65537] = 'y';
    const Listing cases[] = {
        {"equal", big, big, "", 0},
        {"both empty", "", "", "", 0},
        {"changed bytes", big, changed, "a 1\n10000 2\n", 1},
        {"second longer", "abc", "abXdef", "2 4\n", 1},
        {"first longer", "abcdef", "abc", "3 3\n", 1},
        {"first empty", "", "abc", "0 3\n", 1},
        {"first missing", "missing", "abc", "", 2},
        {"second missing", "abc", "missing", "", 2},
    };
    QTemporaryDir dir;
    for (const Listing &c : cases) {
        SCOPED_TRACE(c.name);
        std::string paths[2];
        const std::string *contents[2] = {&c.a, &c.b};
        for (int i = 0; i < 2; ++i) {
            paths[i] = dir.path().toStdString() + "/" + std::to_string(i) + (*contents[i] == "missing" ? "-none" : "");
            if (*contents[i] != "missing") std::ofstream(paths[i], std::ios::binary) << *contents[i];
        }
        std::ostringstream out, err;
        const CommandLine line = ReadCommandLine({"--compare", "--list", paths[0], paths[1]}, out, err);
        ASSERT_TRUE(line.exitCode.has_value());
        EXPECT_EQ(*line.exitCode, c.code);
        EXPECT_EQ(out.str(), c.out);
        EXPECT_EQ(err.str().empty(), c.code != 2) << err.str();
    }
}

TEST(CompareCommandLine, CompareWithoutListOpensBothAndWrongCountsAreTrouble) {
    std::ostringstream out, err;
    const CommandLine open = ReadCommandLine({"--compare", "a.bin", "b.bin"}, out, err);
    EXPECT_FALSE(open.exitCode.has_value());
    EXPECT_TRUE(open.compare);
    EXPECT_EQ(open.files, (std::vector<std::string>{"a.bin", "b.bin"}));
    for (const std::vector<std::string> &arguments : std::vector<std::vector<std::string>>{
             {"--compare", "a.bin"}, {"--compare", "--list", "a", "b", "c"}, {"--compare"}}) {
        const CommandLine line = ReadCommandLine(arguments, out, err);
        ASSERT_TRUE(line.exitCode.has_value());
        EXPECT_EQ(*line.exitCode, 2);
    }
}

}  // namespace
