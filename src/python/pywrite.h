// Writing a Header Array file from Python: arrays, matrices and strings
// checked, then handed to the library's writer.
#pragma once

#include <pybind11/pybind11.h>

namespace modrask::python {

namespace py = pybind11;

// Binds _write(path, heads, history, program, date, check_sets): heads a
// list of (name, values, sets, long_name, string_length) tuples in file
// order, date the text of the creation stamp. Wrong types raise TypeError,
// wrong values (dtype, rank, shape, names, a set's elements; with
// check_sets, a set name given different elements in two headers)
// ValueError before anything is written, the writer's failures HarError; a
// failed write leaves no file behind.
void BindWrite(py::module_& m);

}  // namespace modrask::python
