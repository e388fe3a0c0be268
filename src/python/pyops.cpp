#include "python/pyops.h"

#include <algorithm>
#include <sstream>
#include <string>

#include "harinfo/diffprint.h"
#include "harinfo/hardiff.h"
#include "harinfo/infofile.h"
#include "modrask/har/harread.h"
#include "modrask/har/harwrite.h"
#include "modrask/sets/SetStore.h"
#include "modrask/sets/harsets.h"
#include "modrask/sets/renamepass.h"
#include "modrask/sets/renameset.h"
#include "modrask/support/mhUtil.h"
#include "modrask/support/names.h"
#include "python/pycommon.h"
#include "python/pyfile.h"

namespace modrask::python {

namespace {

constexpr char DQ = '"';

// What the rename found before it changed anything.
enum class TRenameCheck { Go, NoSuchSet };

// Reads the file with its values checked but left in it, as Mardex does, and
// makes Mardex's checks of the two set names. False with the message.
bool ReadForRename(const std::string& source, const std::string& oldSet,
                   const std::string& newSet, PHarData& har, TRenameCheck& check,
                   std::string& msg) {
  bool skippedAny = false;
  if (!ReadHarFile(source, har, false, false, TValueReading::Check, skippedAny, msg)) return false;
  PSetStore store;
  if (!StoreHARFileSets(store, har.get(), true, msg)) return false;
  if (FindSetByName(store.get(), newSet) > 0) {
    msg = "Sorry, file already contains a set called " + (DQ + newSet + DQ);
    return false;
  }
  const int32_t found = CountSetsByName(store.get(), oldSet);
  if (found > 1) {
    msg = "Sorry, file contains 2 DIFFERENT sets called " + (DQ + oldSet + DQ);
    return false;
  }
  check = found < 1 ? TRenameCheck::NoSuchSet : TRenameCheck::Go;
  return true;
}

int32_t RenameSet(const std::string& source, const std::string& target, const std::string& oldSet,
                  const std::string& newSet) {
  std::string msg;
  if (!CheckSetName(newSet, msg)) {
    throw py::value_error(DQ + newSet + DQ + " is not a legal set name: " + msg);
  }
  PHarData har;
  TRenameCheck check = TRenameCheck::Go;
  int32_t changes = 0;
  bool ok = true;
  {
    const py::gil_scoped_release nogil;
    // In one pass as Mardex renames; when that gives up, the whole-file
    // rename says why. The writer puts the target in place only once it is
    // whole, so a target that names the source replaces it only on success.
    TOnePassRename r;
    if (RenameInOnePass(source, target, oldSet, newSet, "modrask", LocalTimeText(),
                        ModuleWriteOptions(), r)) {
      changes = r.NChanges;
      check = r.SetFound ? TRenameCheck::Go : TRenameCheck::NoSuchSet;
    } else {
      ok = ReadForRename(source, oldSet, newSet, har, check, msg) &&
           RenameSetInHar(har.get(), oldSet, newSet, msg, changes) &&
           WriteHarFile(target, "modrask", LocalTimeText(), har.get(), ModuleWriteOptions(), msg);
      FreeHarData(har, TUnwantedMsg());
    }
  }
  if (!ok) {
    RaiseFileSystemError(source, harinfo::PlainReadError(source, msg));
    throw THarError(msg);
  }
  if (check == TRenameCheck::NoSuchSet) {
    const std::string warning = "file contains no set called " + (DQ + oldSet + DQ);
    if (PyErr_WarnEx(PyExc_UserWarning, warning.c_str(), 1) != 0) throw py::error_already_set();
  }
  return changes;
}

// The options of harinfo diff: a tolerance is given when not negative;
// cells is a count, or -1 for every one.
std::string DiffJson(const std::string& oldName, const std::string& newName, double abs,
                     double rel, bool nanEqual, int64_t cells, bool byRel) {
  harinfo::TDiffOptions options;
  options.Tolerant = abs >= 0 || rel >= 0;
  options.Abs = std::max(abs, 0.0);
  options.Rel = std::max(rel, 0.0);
  options.NanEqual = nanEqual;
  options.Cells = cells < 0 ? harinfo::AllCells : cells;
  options.ByRel = byRel;
  std::string msg;
  std::ostringstream out;
  bool ok = true;
  {
    const py::gil_scoped_release nogil;
    PHarData oldData;
    PHarData newData;
    harinfo::TFileDiff diff;
    if (!harinfo::OpenInfoFile(oldName, oldData, msg)) {
      msg = oldName + ": " + harinfo::PlainReadError(oldName, msg);
      ok = false;
    } else if (!harinfo::OpenInfoFile(newName, newData, msg)) {
      msg = newName + ": " + harinfo::PlainReadError(newName, msg);
      ok = false;
    } else if (!harinfo::DiffHarFiles(*oldData, *newData, options, diff, msg)) {
      ok = false;
    } else {
      harinfo::PrintDiffJson(out, diff, oldName, newName);
    }
  }
  if (!ok) throw THarError(msg);
  return out.str();
}

}  // namespace

void BindOps(py::module_& m) {
  m.def("_rename_set", &RenameSet, py::arg("source"), py::arg("target"), py::arg("old"),
        py::arg("new"));
  m.def("_diff_json", &DiffJson, py::arg("old"), py::arg("new"), py::arg("abs") = -1.0,
        py::arg("rel") = -1.0, py::arg("nan_equal") = false, py::arg("cells") = 0,
        py::arg("by_rel") = false);
}

}  // namespace modrask::python
