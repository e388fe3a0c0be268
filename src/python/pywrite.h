// Writing a Header Array file from Python: arrays, matrices and strings
// checked, then handed to the library's writer.
#pragma once

#include <pybind11/pybind11.h>

namespace modrask::python {

namespace py = pybind11;

// Binds _write(path, heads, history, program, date): heads a list of
// (name, values, sets, long_name, string_length) tuples in file order.
// Wrong types raise TypeError, wrong values (dtype, rank, shape, names)
// ValueError before anything is written, the writer's failures HarError;
// a failed write leaves no file behind.
void BindWrite(py::module_& m);

}  // namespace modrask::python
