// The extension module _modrask, which the package modrask re-exports.
#include <pybind11/pybind11.h>

#include "modrask/har/harwrite.h"
#include "modrask/har/realwrite.h"
#include "modrask/records/lheyfile.h"
#include "python/pycommon.h"
#include "python/pyfile.h"
#include "python/pyops.h"
#include "python/pywrite.h"

namespace py = pybind11;

PYBIND11_MODULE(_modrask, m) {
  m.doc() = "Header Array files read, written and renamed by the modrask library.";
  modrask::InitHarBuf();
  // Mardex's settings: the sparse threshold of "UseSparse", every output in
  // the New Fujitsu framing.
  modrask::InitSparseThreshold();
  modrask::ForceDefaultFlavour = true;
  py::register_exception<modrask::python::THarError>(m, "HarError", PyExc_RuntimeError);
  modrask::python::BindFile(m);
  modrask::python::BindWrite(m);
  modrask::python::BindOps(m);
}
