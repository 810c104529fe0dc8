// Numbers as people type them, with a decimal point or a decimal comma.
#include "batch/DecimalNumber.h"

#include "batch/BatchRun.h"

#include <gtest/gtest.h>

#include <optional>
#include <utility>

namespace fovella {
namespace {

struct Typed {
    const char* name;
    const char* text;
    std::optional<double> value;
};

class ParseDecimalTest : public testing::TestWithParam<Typed> {};

TEST_P(ParseDecimalTest, ReadsTheWholeTextOrNothing)
{
    EXPECT_EQ(ParseDecimal(GetParam().text), GetParam().value) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseDecimalTest,
    testing::Values(Typed{"Point", "5.8", 5.8}, Typed{"Comma", "5,8", 5.8}, Typed{"Whole", "24", 24.0},
                    Typed{"Blanks", " 5,8\t", 5.8}, Typed{"Negative", "-0,25", -0.25}, Typed{"Plus", "+3", 3.0},
                    Typed{"NoWholePart", ",5", 0.5}, Typed{"NoFraction", "7.", 7.0},
                    Typed{"Exponent", "1.5e2", 150.0}, Typed{"Empty", "", std::nullopt},
                    Typed{"Blank", "  ", std::nullopt}, Typed{"Letters", "abc", std::nullopt},
                    Typed{"Unit", "12mm", std::nullopt}, Typed{"TwoSeparators", "5,8,1", std::nullopt},
                    Typed{"PointAndComma", "1.000,5", std::nullopt}, Typed{"SeparatorAlone", ",", std::nullopt},
                    Typed{"Sign", "-", std::nullopt}, Typed{"Nan", "nan", std::nullopt},
                    Typed{"Infinity", "inf", std::nullopt}, Typed{"Hexadecimal", "0x10", std::nullopt},
                    Typed{"OpenExponent", "1e", std::nullopt}, Typed{"BeyondDouble", "1e400", std::nullopt},
                    Typed{"InnerBlank", "5 8", std::nullopt}),
    [](const testing::TestParamInfo<Typed>& info) { return info.param.name; });

// The window's focal-length box: a whole number with a point or a comma,
// else the leading number as atof reads it.
TEST(ReadFocalText, TakesTheDecimalCommaAndKeepsTheLeadingNumberOfOtherText)
{
    const std::pair<const char*, float> typed[] = {
        {"5,8", 5.8f}, {"5.8", 5.8f}, {" 18,000 ", 18.0f}, {"-2,5", -2.5f},
        {"12abc", 12.0f}, {"5,8mm", 5.0f}, {"abc", 0.0f}, {"", 0.0f}, {"-", 0.0f},
    };
    for (const auto& [text, value] : typed)
        EXPECT_EQ(ReadFocalText(text), value) << '"' << text << '"';
}

}  // namespace
}  // namespace fovella
