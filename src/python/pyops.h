// The whole-file operations: renaming a set from one file into another, and
// comparing two files as harinfo's diff does.
#pragma once

#include <pybind11/pybind11.h>

namespace modrask::python {

namespace py = pybind11;

// Binds _rename_set(source, target, old, new) -> changes and
// _diff_json(old, new) -> the JSON text of `harinfo diff --json`.
void BindOps(py::module_& m);

}  // namespace modrask::python
