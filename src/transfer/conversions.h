// Column-value conversions applied when a staged upload copies a branch row
// into a staging row, one target column at a time.
#pragma once

#include <optional>
#include <string>

#include "transfer/value.h"

namespace velmora {

enum class Conversion {
  kText,             // the source text (null gives the empty text)
  kTrimmedText,      // the source text without leading and trailing blanks
  kNumber,           // the source text read as a decimal number; 0 if none
  kNumberNullFails,  // as kNumber, but a null source fails the step
  kAsIs,             // the source value unconverted (null stays null)
  kDate,             // the source value formatted "dd/MMM/yyyy"
  kDateIfPresent,    // kDate, only when the trimmed source text is not empty
  kTextIfPresent,    // kText, only when the trimmed source text is not empty
  kValueIfPresent,   // kAsIs, only when the trimmed source text is not empty
  kBlank,            // the empty text, whatever the source holds
};

// Applies `conversion` to `source`. Returns the value to assign, or nullopt
// when an if-present conversion leaves the target column unassigned.
// Throws Failure (an agent number, never the link-failure number) for a null
// source under kNumberNullFails and for a date conversion of a value that is
// no date.
std::optional<Value> convertColumnValue(Conversion conversion, const Value& source);

// Reads `text` as a decimal number: blanks are ignored, reading stops at the
// first character that cannot continue the number, the period is the decimal
// point, and an empty or non-numeric text gives 0.
double readLeadingNumber(std::string_view text);

}  // namespace velmora
