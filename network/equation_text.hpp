#pragma once
// The dynamic equation line of a neuron, as written to equation files:
//   NAME(i+1) = sigma( W*SOURCE(i) + ... + BIAS )
// with one term per synapse in synapse order and "." as decimal separator
// whatever the program's separator is.

#include <string>
#include <vector>

namespace vantorb {

class Neuron;

// A weight as equation text. Whole numbers give trunc(w) + ".0" (1.0,
// -10.0); non-negative weights whose fraction rounds to 10..99 hundredths
// give trunc(w) + "." + those hundredths (0.10, 0.20). Every other weight
// gives its value rounded to hundredths with two places (0.05, -0.50,
// 1.00 for 0.999); non-finite weights give "inf", "-inf" or "nan".
std::string weightText(double w);

// The neuron's equation line; its bias with the first decimal separator
// replaced by ".".
std::string EquationLine(const Neuron& neuron);

// An equation file's text: every line followed by CR LF, the last one too.
std::string EquationFileText(const std::vector<std::string>& lines);

}  // namespace vantorb
