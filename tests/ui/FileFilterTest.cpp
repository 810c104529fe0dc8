#include "ui/FileFilter.h"

#include <gtest/gtest.h>

namespace fovella {
namespace {

TEST(FileFilter, OpenFilterGivesFourPairsInOrder)
{
    const std::string open = std::string("JPEG Files (*.jpg; *.jpeg)|*.jpg; *.jpeg|") + "BMP Files (*.bmp)|*.bmp|" +
                             "PNG Files (*.png)|*.png|" +
                             "Image Files (*.jpg; *.jpeg; *.bmp; *.png)|*.jpg; *.jpeg; *.bmp; *.png|" + "|";
    EXPECT_EQ(OpenFileFilter(), open);
    EXPECT_EQ(SaveFileFilter(), "JPEG (*.jpg; *.jpeg)|*.jpg; *.jpeg|BMP (*.bmp)|*.bmp|PNG (*.png)|*.png||");
    const std::vector<FileFilter> filters = ParseFileFilter(open);
    ASSERT_EQ(filters.size(), 4u);
    EXPECT_EQ(filters[0].description, "JPEG Files (*.jpg; *.jpeg)");
    EXPECT_EQ(filters[0].patterns, (std::vector<std::string>{"*.jpg", "*.jpeg"}));
    EXPECT_EQ(filters[2].patterns, (std::vector<std::string>{"*.png"}));
    EXPECT_EQ(filters[3].patterns, (std::vector<std::string>{"*.jpg", "*.jpeg", "*.bmp", "*.png"}));
}

TEST(FileFilter, StopsAtTheEmptyFieldAndDropsPairsWithoutPatterns)
{
    const std::vector<FileFilter> filters = ParseFileFilter("BMP (*.bmp)|*.bmp||Later|*.x|");
    ASSERT_EQ(filters.size(), 1u);
    EXPECT_EQ(filters[0].description, "BMP (*.bmp)");
    EXPECT_TRUE(ParseFileFilter("Nothing| ; |").empty());
    EXPECT_TRUE(ParseFileFilter("").empty());
    EXPECT_TRUE(ParseFileFilter("Lonely description").empty());
}

}  // namespace
}  // namespace fovella
