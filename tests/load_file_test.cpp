// Whole files come in byte for byte, whatever their size relative to the
// reading chunks.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "reading/text_input.hpp"
#include "support/chart_text.hpp"

namespace readdata14 {
namespace {

TEST(LoadFile, ReadsEveryByte) {
    for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{65535}, std::size_t{65536},
                                   std::size_t{65537}, std::size_t{1} << 20}) {
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>('a' + i % 26);
        const test::TempFile file(bytes);
        const auto loaded = LoadFile(file.Path());
        ASSERT_TRUE(loaded.has_value()) << size;
        EXPECT_EQ(*loaded, bytes) << size;
    }
}

TEST(LoadFile, MissingFileAndDirectoryGiveNothing) {
    EXPECT_FALSE(LoadFile("/nonexistent/readdata14/chart.txt").has_value());
    EXPECT_FALSE(LoadFile(nullptr).has_value());
    EXPECT_FALSE(LoadFile(".").has_value());
}

// The bound on the bytes: a file of exactly that many loads, one more is too
// large (streams are bounded alike: see the FIFO and /dev/zero in open_test).
TEST(LoadFile, TheLimitIsExactAndEnoughEndsTheLoadingEarly) {
    const std::string bytes((std::size_t{1} << 18) + 3, 'a');
    const test::TempFile file(bytes);
    struct Case {
        std::uint64_t maxBytes;
        bool loads;
    };
    for (const Case c : {Case{bytes.size(), true}, Case{bytes.size() - 1, false}, Case{0, false},
                         Case{UINT64_MAX, true}}) {
        LoadLimits limits;
        limits.maxBytes = c.maxBytes;
        LoadError error;
        const auto loaded = LoadFile(file.Path(), &error, limits);
        EXPECT_EQ(loaded.has_value(), c.loads) << c.maxBytes;
        EXPECT_EQ(error.tooLarge, !c.loads) << c.maxBytes;
        EXPECT_EQ(error.systemError, 0) << c.maxBytes;
    }
    // Asked after each of the first pieces: the bytes so far, and a yes ends
    // the loading with them.
    std::vector<std::size_t> asked;
    LoadLimits limits;
    limits.enough = [&asked](std::string_view so) {
        asked.push_back(so.size());
        return asked.size() == 2;
    };
    const auto loaded = LoadFile(file.Path(), nullptr, limits);
    ASSERT_TRUE(loaded.has_value());
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(loaded->size(), asked.back());
    EXPECT_LT(asked.front(), asked.back());
    EXPECT_EQ(*loaded, bytes.substr(0, loaded->size()));
}

}  // namespace
}  // namespace readdata14
