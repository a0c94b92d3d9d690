// Number and text behaviour of the old runtime that the programs rely on.
//
// Every conversion here is independent of the C locale: the decimal point is
// always ".", there are never thousands separators (the Qt programs call
// setlocale, so printf/strtod must not be used for these texts).
//
// Rounding for display is done on the number's DECIMAL text of 15
// significant digits, never on its binary value: 2.675 is taken as the text
// 2.675 and shows as 2.68 with "0.00", as the old runtime did.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

// ---- Number to text --------------------------------------------------------

// Shortest decimal text of a double with at most 15 significant digits: no
// thousands separator, no trailing zeros, no point for a whole number, "-"
// for a negative number, no leading blank, a 0 before the point below 1
// ("0.5"). Exponent form when the decimal exponent is below -4 or is 15 or
// more, with a sign and at least two exponent digits: "1E-05", "1.5E+20".
// -0 gives "0"; NaN "NaN"; infinities "Inf" and "-Inf".
std::string numberText(double d);

// The old runtime's Str$: numberText with one leading blank standing for
// the sign of a non-negative number (12 -> " 12", -12 -> "-12"). Like Str$
// it writes no 0 before the point of a fraction: 0.5 -> " .5", -0.5 -> "-.5".
std::string numberStr(double d);

// Applies a display pattern to a number (the old runtime's Format with a
// numeric pattern). Placeholders: "0" (a digit, shown as 0 when there is
// none) and "#" (a digit, shown only when there is one); the first "." is the
// decimal point; any other character is copied as it stands. The number is
// rounded half away from zero on its 15-digit decimal text to as many places
// as the pattern has placeholders after the point. Digits before the point
// fill the placeholders from the right; the leftmost placeholder takes any
// further digits; with no placeholder before the point the whole-number
// digits stand before it. A leading "-" marks a negative value; a value that
// rounds to zero shows no "-".
//   "0.00": 2.675 -> "2.68", 0.5 -> "0.50", -1.005 -> "-1.01"
//   "0.0", "0": 2.5 -> "3", "00": 5 -> "05"
//   ".00": 0.5 -> ".50", 12.5 -> "12.50", -0.5 -> "-.50", 0 -> ".00"
//   ".0", ".000" likewise; "##/##/##": 311299 -> "31/12/99", 10199 -> "1/01/99"
// NaN and infinities give numberText's text.
std::string formatNumber(double d, std::string_view pattern);

// ---- Decimal rounding -------------------------------------------------------

// The suite's `round`: rounds d to `places` decimals (0..255; values outside
// are clamped) on its 15-digit text T (numberText's form), half upward on the
// digit after the last kept place, away from zero for a negative number.
// The result is text that callers read back as a number:
//   - T without a point comes back unchanged ("12" for 12 to 2 places);
//   - places 0: when the (up to) five decimals after the point read as a
//     number above 0, the whole-number part plus one ("7.2" -> "8",
//     "7.00001" -> "8"); otherwise the whole-number part and the point
//     ("7.000001" -> "7.", which reads back as 7);
//   - T with fewer decimals than places comes back unchanged, no padding;
//   - a carry may make zeros that stay: 19.95 to 1 place -> "20.0".
// Where the old rule says nothing, we chose:
//   - magnitudes of 1E15 and more (exponent text) come back as numberText;
//   - magnitudes below 0.0001 are walked on their plain decimal text
//     (0.00005 to 4 places -> "0.0001", 0.000012 to 0 places -> "1");
//   - a negative number with 0 places is rounded away from zero like a
//     positive one (its magnitude goes up): -7.2 -> "-8", -7.000001 -> "-7.".
std::string round(double d, int places);

// round() read back as a number.
double roundNumber(double d, int places);

// ---- Conversion to a whole number (CInt / CLng) ----------------------------

// The nearest whole number, one half to the even neighbour (2.5 -> 2,
// 3.5 -> 4, -2.5 -> -2), computed on the exact binary value. Overflow is
// reported as std::nullopt: NaN, infinities and results outside the type.
std::optional<std::int64_t> roundHalfEven(double d);
std::optional<std::int32_t> toLong(double d);     // CLng: -2147483648..2147483647
std::optional<std::int16_t> toInteger(double d);  // CInt: -32768..32767

// ---- Text to number --------------------------------------------------------

// The number at the start of a text: leading blanks skipped, an optional
// sign, digits with at most one decimal point, an optional exponent. 0 when
// the text does not start with a number ("12.5" 12.5, "1.2.3" 1.2, "x1" 0).
// A number too large for a double gives +-infinity, one too small 0.
double leadingNumber(std::string_view s);

// True when the whole text (blanks around it allowed) is one number; the
// number goes to out. False (out untouched) for a number too large for a
// double.
bool parseNumber(std::string_view s, double& out);

}  // namespace qv
