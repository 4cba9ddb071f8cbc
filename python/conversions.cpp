#include "python/conversions.hpp"

#include "network/exceptions.hpp"

namespace py = pybind11;

namespace vantorb::python {
namespace {

std::string Encoded(const py::handle& text, const char* errors) {
  const py::bytes bytes = py::reinterpret_steal<py::bytes>(
      PyUnicode_AsEncodedString(text.ptr(), "utf-8", errors));
  if (!bytes) throw py::error_already_set();
  return bytes;
}

std::string IntegerText(const py::handle& value) {
  int overflow = 0;
  const long long small = PyLong_AsLongLongAndOverflow(value.ptr(), &overflow);
  if (small == -1 && PyErr_Occurred()) throw py::error_already_set();
  if (overflow == 0) return std::to_string(small);
  PyObject* digits = PyObject_Str(value.ptr());
  if (digits == nullptr) {
    // The limit on the digits Python writes is what refuses an int's str().
    if (!PyErr_ExceptionMatches(PyExc_ValueError)) throw py::error_already_set();
    PyErr_Clear();
    const py::object limit = py::module_::import("sys").attr("get_int_max_str_digits")();
    throw ArgumentError("argument of more than " + std::string(py::str(limit)) +
                        " digits is out of range");
  }
  return Encoded(py::reinterpret_steal<py::str>(digits), "strict");
}

}  // namespace

py::str PythonText(std::string_view text) {
  PyObject* decoded = PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()),
                                           "backslashreplace");
  if (decoded == nullptr) throw py::error_already_set();
  return py::reinterpret_steal<py::str>(decoded);
}

std::string ProgramBytes(const py::handle& value, const char* parameter) {
  if (PyBytes_Check(value.ptr())) return py::reinterpret_borrow<py::bytes>(value);
  if (PyUnicode_Check(value.ptr())) return Encoded(value, "surrogatepass");
  throw py::type_error(std::string(parameter) + " takes a str or bytes, not " +
                       Py_TYPE(value.ptr())->tp_name);
}

std::vector<std::string> ArgumentTexts(const py::tuple& arguments) {
  std::vector<std::string> texts;
  for (const py::handle argument : arguments) {
    if (PyLong_Check(argument.ptr()) && !PyBool_Check(argument.ptr()))
      texts.push_back(IntegerText(argument));
    else
      texts.push_back(OptionText(py::str(argument)));
  }
  return texts;
}

long long CountOption(const py::handle& value, long long max, const std::string& refusal) {
  if (PyBool_Check(value.ptr()) || !PyIndex_Check(value.ptr())) throw ArgumentError(refusal);
  const py::object number = py::reinterpret_steal<py::object>(PyNumber_Index(value.ptr()));
  if (!number) throw py::error_already_set();
  int overflow = 0;
  const long long count = PyLong_AsLongLongAndOverflow(number.ptr(), &overflow);
  if (count == -1 && PyErr_Occurred()) throw py::error_already_set();
  if (overflow != 0 || count < 0 || count > max) throw ArgumentError(refusal);
  return count;
}

std::string OptionText(const py::handle& value) {
  if (PyUnicode_Check(value.ptr())) return Encoded(value, "backslashreplace");
  return Encoded(py::repr(value), "backslashreplace");
}

std::string Docstring(std::string_view text) {
  constexpr std::size_t kWidth = 72;
  std::string wrapped;
  while (!text.empty()) {
    const std::size_t end = text.find("\n\n");
    std::string_view paragraph = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 2);
    if (!wrapped.empty()) wrapped += "\n\n";
    std::size_t column = 0;
    while (!paragraph.empty()) {
      const std::size_t space = paragraph.find_first_of(" \n");
      const std::string_view word = paragraph.substr(0, space);
      paragraph.remove_prefix(space == std::string_view::npos ? paragraph.size() : space + 1);
      if (word.empty()) continue;
      if (column > 0 && column + 1 + word.size() > kWidth) {
        wrapped += '\n';
        column = 0;
      } else if (column > 0) {
        wrapped += ' ';
        ++column;
      }
      wrapped += word;
      column += word.size();
    }
  }
  return wrapped;
}

}  // namespace vantorb::python
