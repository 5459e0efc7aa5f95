// Whole files come in byte for byte, whatever their size relative to the
// reading chunks.
#include <gtest/gtest.h>

#include <string>

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

}  // namespace
}  // namespace readdata14
