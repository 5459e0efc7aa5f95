// The legend's list of codes written as labels: short lists as they are,
// runs as ranges, long lists as a count.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "svg/legend.hpp"

namespace readdata14::chart14 {
namespace {

TEST(CodeList, ListsShortRunsAndCountsLongLists) {
    struct Case {
        std::set<std::string> codes;
        std::string listed;
    };
    std::set<std::string> every, odd;
    for (int n = 10; n < 100; ++n) every.insert(std::to_string(n));
    for (int n = 1; n < 40; n += 2) odd.insert(std::to_string(n));
    const Case cases[] = {
        {{"42", "75"}, "42, 75"},
        {{"9", "10", "11", "12", "40"}, "9-12, 40"},  // sorted as numbers, not as texts
        {{"1", "2", "5", "6"}, "1, 2, 5, 6"},         // two in a row are no range
        {every, "10-99"},
        {odd, "20 codes from 1 to 39"},
        {{"7", "x"}, "7, x"},
    };
    for (const Case& c : cases) EXPECT_EQ(CodeList(c.codes), c.listed);
}

}  // namespace
}  // namespace readdata14::chart14
