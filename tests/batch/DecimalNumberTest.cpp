// Numbers as people type them, with a decimal point or a decimal comma.
#include "batch/DecimalNumber.h"

#include <gtest/gtest.h>

#include <optional>

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

}  // namespace
}  // namespace fovella
