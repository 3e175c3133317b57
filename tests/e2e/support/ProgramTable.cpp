#include "ProgramTable.hpp"

#include <cctype>
#include <cstdlib>
#include <ostream>

namespace e2e {

namespace {

// The program a test runs: the one just built, unless SPARKFIELD_UNDER_TEST or
// BOXPAIR_UNDER_TEST names another (an installed copy, for instance).
std::string underTest(const std::string& name, const char* built)
{
    std::string variable;
    for (const char letter : name)
        variable += static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
    const char* const other = std::getenv((variable + "_UNDER_TEST").c_str());
    return other != nullptr && *other != '\0' ? other : built;
}

} // namespace

const Program& sparkfield()
{
    return programs()[0];
}

const Program& boxpair()
{
    return programs()[1];
}

const std::vector<Program>& programs()
{
    static const std::vector<Program> table{
        {"sparkfield",
         underTest("sparkfield", SPARKFIELD_PATH),
         "Particles",
         {600, 400},
         Picture::Fountain,
         Output::Nothing,
         ""},
        {"boxpair",
         underTest("boxpair", BOXPAIR_PATH),
         "Chase AI",
         {800, 600},
         Picture::Squares,
         Output::AStepEachFrame,
         "Escape"},
    };
    return table;
}

void PrintTo(const Program& program, std::ostream* out)
{
    *out << program.name;
}

} // namespace e2e
