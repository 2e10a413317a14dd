// Scale factors and lengths typed as text, read strictly: a number and nothing else, unlike
// the model's own numbers and the dialog's fields, which follow atof rules. tessary-scale reads
// its arguments with these, and the browser's page its fields, so that both accept and refuse
// the same texts for the same reasons.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace tessary {

/// The number `text` holds, if it holds one and nothing else: blanks (C-locale whitespace) are
/// allowed around it at both ends alike; the number has the form atof reads (no hexadecimal,
/// infinity or nan). A number too large for a double, such as 1e400, reads as an infinity.
std::optional<double> StrictNumber(std::string_view text);

/// Whether `text` is "inf", "infinity" or "nan" in any case, with an optional sign: words that
/// atof rules do not read as numbers.
bool IsNonFiniteWord(std::string_view text);

/// A scale factor: a finite number, not one too small for a double (1e-400). Otherwise why
/// not, naming the text as given: "scale factor 'x' is not a number", "scale factor 'inf' is
/// not a finite number", "scale factor '1e400' is out of range".
std::variant<double, std::string> ReadFactor(std::string_view text);

/// The LENGTH of --fit AXIS=LENGTH: a positive, finite number. Otherwise why not:
/// "length '-1' is not a positive number" (tessary-scale puts "--fit " before it).
std::variant<double, std::string> ReadFitLength(std::string_view text);

}  // namespace tessary
