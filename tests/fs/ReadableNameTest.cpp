// Names that are not valid UTF-8, shown exactly and readably.
#include "fs/ReadableName.h"

#include <gtest/gtest.h>

namespace fovella {
namespace {

struct NameCase {
    const char* name;
    std::string bytes, readable;
};

class ReadableNameTest : public testing::TestWithParam<NameCase> {};

TEST_P(ReadableNameTest, EscapesExactlyTheBytesOutsideWellFormedSequences)
{
    EXPECT_EQ(ReadableName(GetParam().bytes), GetParam().readable);
}

INSTANTIATE_TEST_SUITE_P(
    Names, ReadableNameTest,
    testing::Values(NameCase{"Ascii", "/photos/a.jpg", "/photos/a.jpg"},
                    NameCase{"Utf8", "/Fotos/Br\xC3\xBC" "cke \xE6\x97\xA5\xF0\x9F\x93\xB7.jpg",
                             "/Fotos/Br\xC3\xBC" "cke \xE6\x97\xA5\xF0\x9F\x93\xB7.jpg"},
                    NameCase{"Latin1", "caf\xE9.jpg", "caf\\xE9.jpg"},
                    NameCase{"CutAtTheEnd", "a\xE6\x97", "a\\xE6\\x97"},
                    NameCase{"Overlong", "\xC0\xAF", "\\xC0\\xAF"},
                    NameCase{"OverlongThreeBytes", "\xE0\x80\xAF", "\\xE0\\x80\\xAF"},
                    NameCase{"Surrogate", "\xED\xA0\x80", "\\xED\\xA0\\x80"},
                    NameCase{"BeyondUnicode", "\xF4\x90\x80\x80", "\\xF4\\x90\\x80\\x80"},
                    NameCase{"LoneContinuation", "x\x80y", "x\\x80y"},
                    NameCase{"LeadThenAscii", "\xC3(", "\\xC3("},
                    NameCase{"Empty", "", ""}),
    [](const testing::TestParamInfo<NameCase>& info) { return info.param.name; });

}  // namespace
}  // namespace fovella
