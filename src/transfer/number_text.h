// Number texts read and written the same way whatever the process's C locale.
//
// The window's toolkit adopts the user's locale at start-up, and in many
// locales the decimal separator is a comma: the C library's strtod and printf
// would then read "12.5" as 12 and write 3.25 as "3,25". Every number text the
// agent reads from a database or a settings file, or writes into a statement,
// goes through these functions instead.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velmora {

// The value of `text` when the whole of it is a decimal number: an optional
// sign, digits with at most one decimal point (at least one digit), and an
// optional exponent ("e" or "E", an optional sign, digits). No blanks, no
// hexadecimal, no "inf" or "nan". A number too large for a double reads as an
// infinity of its sign, one too small as zero, as the C library does. Returns
// nullopt for any other text.
std::optional<double> parseNumberText(std::string_view text);

// `value` with exactly `decimals` (0 to 38) digits after a point ("12.50");
// never "-0.00".
std::string fixedNumberText(double value, int decimals);

// `value` in the shortest of fixed or exponent form with at most `significant`
// significant digits ("8080", "1.5", "1e+20"), like printf's %.<n>g.
std::string generalNumberText(double value, int significant);

}  // namespace velmora
