// Path fitting with a fixed-width measure: one unit per character, so a limit
// is a number of characters and every expected text can be counted by hand.
#include "ui/logic/PathFit.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

namespace {

const TextMeasure kOnePerChar = [](const char*, size_t length) { return static_cast<int>(length); };

std::string fit(const std::string& path, int limit, size_t size = 300) {
    std::vector<char> buffer(size, 'x');
    std::strncpy(buffer.data(), path.c_str(), size - 1);
    buffer[size - 1] = '\0';
    FitPathText(buffer.data(), size, limit, kOnePerChar);
    return buffer.data();
}

struct Case {
    const char* path;
    int limit;
    const char* shown;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.path << " in " << c.limit; }

class PathFit : public ::testing::TestWithParam<Case> {};

TEST_P(PathFit, shows_the_first_candidate_that_fits) {
    EXPECT_EQ(fit(GetParam().path, GetParam().limit), GetParam().shown);
}

// C:\Data\Worlds\Alps\valley.tgw: D = C:\Data\Worlds\Alps (19), N = \valley.tgw (11).
INSTANTIATE_TEST_SUITE_P(
    Candidates, PathFit,
    ::testing::Values(
        Case{"C:\\Data\\Worlds\\Alps\\valley.tgw", 30, "C:\\Data\\Worlds\\Alps\\valley.tgw"},  // fits whole
        Case{"C:\\Data\\Worlds\\Alps\\valley.tgw", 29, "C:\\Data\\Worlds\\...\\valley.tgw"},   // 15 of D
        Case{"C:\\Data\\Worlds\\Alps\\valley.tgw", 20, "C:\\Dat...\\valley.tgw"},
        Case{"C:\\Data\\Worlds\\Alps\\valley.tgw", 14, "...\\valley.tgw"},                     // none of D
        Case{"C:\\Data\\Worlds\\Alps\\valley.tgw", 13, "..\\valley...."},                      // 8 of N
        Case{"C:\\Data\\Worlds\\Alps\\valley.tgw", 6, "..\\..."},
        Case{"C:\\Data\\Worlds\\Alps\\valley.tgw", 5, "....."},                                // none of N
        Case{"C:\\Data\\Worlds\\Alps\\valley.tgw", 4, "!"},
        // A directory of fewer than three characters has no cut form; its
        // first two characters, padded with dots, stand before the cut name.
        Case{"C:\\valley.tgw", 12, "C:\\valley..."},
        Case{"C:\\valley.tgw", 5, "C:..."},
        Case{"D\\valley.tgw", 10, "D.\\vall..."},
        Case{"\\valley.tgw", 10, "..\\vall..."},
        // Slashes count as separators and are shown as backslashes.
        Case{"C:/Data/valley.tgw", 18, "C:\\Data\\valley.tgw"},
        Case{"C:/Data/valley.tgw", 15, "C...\\valley.tgw"},
        // No separator at all: shown in full, however wide.
        Case{"valley.tgw", 3, "valley.tgw"}));

TEST(PathFitBuffer, holds_the_longest_candidate_of_the_longest_path_and_passes_over_what_it_cannot_hold) {
    // A measure under which only the name-cut forms fit, so the longest of
    // them all is tried: ".." + the whole of "\name" + "...", five characters
    // more than the 259 of the longest path a session holds.
    const TextMeasure dotsFree = [](const char* text, size_t length) {
        return length >= 2 && text[0] == '.' && text[1] == '.' ? 0 : static_cast<int>(length);
    };
    const std::string path = "\\" + std::string(258, 'n');
    for (size_t size : {path.size() + 1 + kPathFitExtra, path.size() + kPathFitExtra}) {
        std::vector<char> buffer(size + 1, '#');
        std::memcpy(buffer.data(), path.c_str(), path.size() + 1);
        FitPathText(buffer.data(), size, 10, dotsFree);
        const size_t kept = size == path.size() + 1 + kPathFitExtra ? 259 : 258;  // characters of N shown
        EXPECT_EQ(std::string(buffer.data()), ".." + path.substr(0, kept) + "...") << size;
        EXPECT_EQ(buffer[size], '#') << "written past a buffer of " << size;
    }
    // Nothing that fits the limit fits a buffer of 4 characters.
    EXPECT_EQ(fit("AB\\c", 3, 5), "!");
}

}  // namespace
