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
PyObject* cancelledClass = nullptr;

PyObject* NewClass(const char* name, PyObject* bases, const char* doc) {
  PyObject* made = PyErr_NewExceptionWithDoc(name, Docstring(doc).c_str(), bases, nullptr);
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
  errorClass = NewClass("vantorb.Error", nullptr,
                        "An error the compiler or a computation reports; the base of the "
                        "module's exceptions.");
  compileErrorClass = NewClass(
      "vantorb.CompileError", errorClass,
      "A program or an equation file that cannot be loaded. str() is the message the window "
      "shows; line is the line it names, or None.");
  py::tuple argumentBases = py::make_tuple(py::handle(errorClass), py::handle(PyExc_ValueError));
  argumentErrorClass = NewClass(
      "vantorb.ArgumentError", argumentBases.ptr(),
      "Arguments or options a computation refuses, with the text of the tool's error.");
  cancelledClass = NewClass("vantorb.Cancelled", errorClass,
                            "A run or an evaluation stopped by its timeout= or its cancel=.");
  py::handle(compileErrorClass).attr("line") = py::none();
  module.add_object("Error", py::handle(errorClass));
  module.add_object("CompileError", py::handle(compileErrorClass));
  module.add_object("ArgumentError", py::handle(argumentErrorClass));
  module.add_object("Cancelled", py::handle(cancelledClass));

  py::register_exception_translator([](std::exception_ptr thrown) {
    try {
      if (thrown) std::rethrow_exception(thrown);
    } catch (const CompileFailure& failure) {
      RaiseCompileError(failure);
    } catch (const CancelledComputation& stopped) {
      PyErr_SetObject(cancelledClass, PythonText(stopped.what()).ptr());
    } catch (const ArgumentError& error) {
      Raise(argumentErrorClass, error);
    } catch (const NeuroException& error) {
      Raise(errorClass, error);
    }
  });
}

}  // namespace vantorb::python
