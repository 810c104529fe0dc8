// Numbers as people type them (a decimal point or a decimal comma, as their
// desktop's language writes it) and as the program shows them.
#pragma once

#include <optional>
#include <string>

namespace fovella {

// What a text that is not a number is called in messages.
extern const char kNotANumber[];  // "not a number"

// The number that the whole of `text` writes: an optional sign, digits with
// a point or a comma before the fraction ("5.8" and "5,8" are both 5.8), an
// optional exponent ("1e3"), blanks around it allowed. Nothing for text that
// is not a number: empty, "abc", "12mm", "5,8,1", "nan", "inf", a value
// beyond a double. Independent of the C locale.
std::optional<double> ParseDecimal(const std::string& text);

// `value` written by a printf `format` with one double conversion ("%.3f"
// for a focal length, "%.2f" for a factor or a scale), as the messages and
// the controls show it.
std::string Formatted(const char* format, double value);

}  // namespace fovella
