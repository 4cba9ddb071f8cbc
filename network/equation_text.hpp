#pragma once
// The dynamic equation line of a neuron, as written to equation files:
//   NAME(i+1) = sigma( W*SOURCE(i) + ... + BIAS )
// with one term per synapse in synapse order and "." as decimal separator
// whatever the program's separator is.

#include <string>
#include <vector>

namespace vantorb {

class Neuron;

// A weight as equation text that reads back (std::from_chars) as the same
// double. Rule: the hundredths text when it reads back as w -- whole numbers
// give trunc(w) + ".0" (1.0, -10.0), non-negative weights whose fraction is
// 10..99 hundredths give trunc(w) + "." + those hundredths (0.10, 0.20),
// others two places (0.05, -0.50) -- and otherwise the shortest text that
// does, as std::to_chars writes it: plain (0.125, 0.001) unless the
// exponent form is shorter (1e-08). Non-finite weights give "inf", "-inf"
// or "nan", which no reader takes.
std::string weightText(double w);

// The neuron's equation line; its bias with the first decimal separator
// replaced by ".".
std::string EquationLine(const Neuron& neuron);

// An equation file's text: every line followed by CR LF, the last one too.
std::string EquationFileText(const std::vector<std::string>& lines);

}  // namespace vantorb
