#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

// The two programs as the end-to-end tests know them: everything a test needs to run one, find
// its window and judge how it behaved. Tests that hold for both iterate over `programs()`;
// what tells them apart is a field here, not a test of which program it is.
namespace e2e {

// What a program's window should show.
enum class Picture : std::uint8_t {
    Fountain, // grey-white points on black, thickest around the window's centre
    Squares,  // a blue and a red 50-pixel square, the red one drawn over the blue
};

// What a program writes on standard output.
enum class Output : std::uint8_t {
    Nothing,
    AStepEachFrame, // the agent's step as two numbers, one line a frame, flushed at once
};

struct Program {
    std::string name; // as it calls itself in messages; also the Windows build's file name
    std::string path; // the build's own, unless NAME_UNDER_TEST (upper case) names another
    std::string title;
    std::pair<int, int> size; // of the window it opens
    Picture picture{};
    Output output{};
    // Beside a close request, which ends either program, a key that ends it; empty for none.
    std::string endingKey;
};

const Program& sparkfield();
const Program& boxpair();
const std::vector<Program>& programs();

// gtest prints a test's parameter with this, and names parameterised cases by the program.
void PrintTo(const Program& program, std::ostream* out);
struct NamedByProgram {
    template <typename Info> std::string operator()(const Info& info) const { return info.param.name; }
};

} // namespace e2e
