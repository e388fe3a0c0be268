// The extension module _modrask, which the package modrask re-exports.
#include <pybind11/pybind11.h>

#include "modrask/har/realwrite.h"
#include "python/pycommon.h"
#include "python/pyfile.h"
#include "python/pyops.h"
#include "python/pywrite.h"

namespace py = pybind11;

namespace modrask::python {

const TWriteOptions& ModuleWriteOptions() {
  static const TWriteOptions options{.ForceDefaultFlavour = true,
                                     .SparseThreshold = UserSparseThreshold()};
  return options;
}

}  // namespace modrask::python

PYBIND11_MODULE(_modrask, m) {
  m.doc() = "Header Array files read, written and renamed by the modrask library.";
  modrask::python::ModuleWriteOptions();
  py::register_exception<modrask::python::THarError>(m, "HarError", PyExc_RuntimeError);
  modrask::python::BindFile(m);
  modrask::python::BindWrite(m);
  modrask::python::BindOps(m);
}
