//===- meter/number_text.h - Texts of the printed numbers -------*- C++ -*-===//
//
// Every number the program prints is made here: the timer's correction as a
// signed decimal integer, and the instructions-per-tick figures in a general
// floating-point format with 15 significant digits.
//
// The float format's digits come from an 18-digit decimal intermediate worked
// out on the x87 unit (64-bit significand, to nearest, ties to even), which is
// then rounded half up to 15 digits by its 16th digit alone. The two roundings
// are the format: about one double in two thousand between 0.1 and 10 gets a
// last digit different from exact rounding (5.986320267924925 gives
// 5.98632026792493), and that is intended. The conversion must run under the
// program's control word or another one with a 64-bit significand and
// rounding to nearest; it raises no x87 exception for any double, so it never
// traps under that word.
//
// The decimal mark is the only locale-dependent character of any number. It
// is read once at start-up; integers never use it.
//
//===----------------------------------------------------------------------===//

#ifndef VEXMOR_METER_NUMBER_TEXT_H
#define VEXMOR_METER_NUMBER_TEXT_H

#include <cstdint>
#include <optional>
#include <string>

namespace vexmor {

/// The signed decimal text of Value: a minus sign when negative, then the
/// digits of the magnitude with no leading zeros ("0" for zero). No plus
/// sign, grouping or blank; at most 20 characters.
std::string Int64ToText(std::int64_t Value);

/// Value with 15 significant digits and no trailing zeros: fixed notation
/// when 0.0001 <= |rounded value| < 10^15 (or for zero), scientific otherwise
/// ("1E15", "1.5E-7"); "INF", "-INF" and "NAN" for the special values. Mark
/// separates the integer part from the fraction. At most 22 characters.
std::string FloatToGeneralText(double Value, char Mark);

/// The decimal mark of the float texts: a full stop until start-up sets it.
extern char DecimalMark;

/// The mark for a locale whose decimal separator is Separator: its one byte
/// when it has exactly one, else (none, empty, several bytes) a full stop.
char DecimalMarkFromSeparator(const std::optional<std::string> &Separator);

/// The decimal mark of the user's numeric locale. Start-up calls it once and
/// keeps the result in `DecimalMark`.
char ReadDecimalMark();

} // namespace vexmor

#endif // VEXMOR_METER_NUMBER_TEXT_H
