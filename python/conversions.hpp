#pragma once
// Values between Python and the libraries: texts both ways, and the
// arguments and options of a computation, refused with ArgumentError (the
// tool's usage errors) whatever their Python type, so that no conversion of
// pybind11's or of Python's own answers in their stead.

#include <string>
#include <string_view>
#include <vector>

#include <pybind11/pybind11.h>

namespace vantorb::python {

// A text of the libraries as a Python str. The libraries keep what files and
// callers gave them, which need not be UTF-8: bytes that are not appear as
// "\xNN" escapes.
pybind11::str PythonText(std::string_view text);

// A program's text, or a file name, given as bytes (taken as they are) or as
// a str (in UTF-8; lone surrogates are written as UTF-8 writes other code
// points, so that the scanner refuses them as it refuses any byte it does
// not know). Throws pybind11::type_error for anything else.
std::string ProgramBytes(const pybind11::handle& value, const char* parameter);

// The decimal texts of a computation's arguments: an int's digits, whatever
// it is large, any other object's str(), for CheckNaturalNumbers to judge.
// Throws ArgumentError for an int too long for Python to write in decimal
// (sys.get_int_max_str_digits).
std::vector<std::string> ArgumentTexts(const pybind11::tuple& arguments);

// A whole number in [0, max]: an int, or an object that is one by
// __index__, but not a bool (True is no count). Throws ArgumentError
// `refusal` for anything else.
long long CountOption(const pybind11::handle& value, long long max, const std::string& refusal);

// A docstring as help() shows it best: each paragraph (paragraphs are
// parted by an empty line) wrapped at 72 columns.
std::string Docstring(std::string_view text);

// The text of an option that names something: a str in UTF-8 (a lone
// surrogate as "\udcNN"), any other object as its repr().
std::string OptionText(const pybind11::handle& value);

}  // namespace vantorb::python
