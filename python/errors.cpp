#include "python/errors.hpp"

#include "network/exceptions.hpp"
#include "python/conversions.hpp"

namespace py = pybind11;

namespace vantorb::python {
namespace {

// The classes live as long as the module's interpreter; they are never
// released, as the interpreter may outlive every other reference.
PyObject* errorClass = nullptr;
PyObject* compileErrorClass = nullptr;
PyObject* argumentErrorClass = nullptr;

PyObject* NewClass(const char* name, PyObject* bases) {
  PyObject* made = PyErr_NewException(name, bases, nullptr);
  if (made == nullptr) throw py::error_already_set();
  return made;
}

void RaiseCompileError(const CompileFailure& failure) {
  py::object error =
      py::reinterpret_borrow<py::object>(compileErrorClass)(PythonText(failure.what()));
  error.attr("line") = failure.line ? py::object(py::int_(*failure.line)) : py::none();
  PyErr_SetObject(compileErrorClass, error.ptr());
}

void Raise(PyObject* kind, const NeuroException& error) {
  PyErr_SetObject(kind, PythonText(error.Message()).ptr());
}

}  // namespace

void RegisterErrors(py::module_& module) {
  errorClass = NewClass("vantorb.Error", nullptr);
  compileErrorClass = NewClass("vantorb.CompileError", errorClass);
  py::tuple argumentBases = py::make_tuple(py::handle(errorClass), py::handle(PyExc_ValueError));
  argumentErrorClass = NewClass("vantorb.ArgumentError", argumentBases.ptr());
  py::handle(compileErrorClass).attr("line") = py::none();
  module.add_object("Error", py::handle(errorClass));
  module.add_object("CompileError", py::handle(compileErrorClass));
  module.add_object("ArgumentError", py::handle(argumentErrorClass));

  py::register_exception_translator([](std::exception_ptr thrown) {
    try {
      if (thrown) std::rethrow_exception(thrown);
    } catch (const CompileFailure& failure) {
      RaiseCompileError(failure);
    } catch (const ArgumentError& error) {
      Raise(argumentErrorClass, error);
    } catch (const NeuroException& error) {
      Raise(errorClass, error);
    }
  });
}

}  // namespace vantorb::python
