#include "python/pywrite.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "modrask/har/harwrite.h"
#include "modrask/har/history.h"
#include "modrask/support/blanks.h"
#include "modrask/support/mhUtil.h"
#include "modrask/support/names.h"
#include "python/pycommon.h"
#include "python/pysets.h"

namespace modrask::python {

namespace {

constexpr int MaxDims = 7;

[[noreturn]] void Refuse(const std::string& head, const std::string& why) {
  throw py::value_error("header " + head + ": " + why);
}

bool IsAsciiText(const std::string& s) {
  for (const char c : s) {
    if (static_cast<unsigned char>(c) < 32 || static_cast<unsigned char>(c) > 126) return false;
  }
  return true;
}

PStrVec MakeList(const std::vector<std::string>& names) {
  std::string msg;
  PStrVec v;
  if (!AllocPStrVec(v, static_cast<int32_t>(names.size()), msg)) throw THarError(msg);
  for (size_t i = 0; i < names.size(); ++i) (*v)[i + 1] = names[i];
  return v;
}

// One header as Python handed it over.
struct TPyHead {
  std::string Name;
  py::object Values;
  py::object Sets;
  std::string LongName;
  std::optional<int32_t> StringLength;
  std::string Shown;  // the name in messages, once checked
};

// `o` as a T; TypeError naming the header and what was wanted otherwise.
template <class T>
T Cast(const py::handle o, const TPyHead& p, const std::string& wanted) {
  try {
    return py::cast<T>(o);
  } catch (const py::cast_error&) {
    throw py::type_error("header " + p.Shown + ": " + wanted + " wanted");
  }
}

PHeaderRec NewHead(const TPyHead& p, const std::string& type) {
  auto head = std::make_unique<THeaderRec>();
  head->Name = p.Name;
  head->LongName = p.LongName;
  head->HeadType = type;
  head->StorageMethod = "FULL";
  head->Dims.fill(1);
  return head;
}

PHeaderRec StringsHead(const TPyHead& p) {
  const auto strings = Cast<std::vector<std::string>>(p.Values, p, "values: a list of str");
  int32_t longest = 1;
  for (const std::string& s : strings) {
    if (!IsAsciiText(s)) Refuse(p.Shown, "string \"" + s + "\" is not printable ASCII");
    longest = std::max(longest, static_cast<int32_t>(s.size()));
  }
  const int32_t length = p.StringLength.value_or(longest);
  if (length < longest || length < 1) {
    Refuse(p.Shown, "string_length " + std::to_string(length) + " is shorter than its longest "
                   "string (" + std::to_string(longest) + ")");
  }
  PHeaderRec head = NewHead(p, "1C");
  head->NStrings = static_cast<int32_t>(strings.size());
  head->LenString = length;
  head->OrigNDim = 1;
  head->StringRec = MakeList(strings);
  return head;
}

PHeaderRec IntsHead(const TPyHead& p, const py::array& a) {
  if (a.ndim() != 2) Refuse(p.Shown, "an int32 array must have 2 dimensions, not " +
                                        std::to_string(a.ndim()));
  const auto m = py::array_t<int32_t, py::array::f_style>::ensure(a);
  const auto rows = static_cast<int32_t>(m.shape(0));
  const auto cols = static_cast<int32_t>(m.shape(1));
  PHeaderRec head = NewHead(p, "2I");
  head->NRows = rows;
  head->NCols = cols;
  head->OrigNDim = 2;
  head->Dims[7] = rows;
  head->Dims[6] = cols;
  std::string msg;
  if (!AllocArr4(head->IntData, rows, cols, msg)) throw THarError(msg);
  for (int32_t c = 1; c <= cols; ++c) {
    std::memcpy(head->IntData->Column(c, 1), m.data() + static_cast<py::ssize_t>(c - 1) * rows,
                sizeof(int32_t) * static_cast<size_t>(rows));
  }
  return head;
}

// The labels of a real array: a list of (set name, element names), one per
// dimension, or None for an unlabelled array.
void SetLabels(const TPyHead& p, const py::array& a, THeaderRec& head) {
  if (p.Sets.is_none()) return;
  const auto sets = Cast<std::vector<std::pair<std::string, std::vector<std::string>>>>(
      p.Sets, p, "sets: a list of (set name, element names)");
  if (static_cast<py::ssize_t>(sets.size()) != a.ndim()) {
    Refuse(p.Shown, std::to_string(sets.size()) + " sets for " + std::to_string(a.ndim()) +
                       " dimensions");
  }
  std::map<std::string, std::vector<std::string>> seen;
  TREDetails& d = head.REDetails;
  d.acdim = head.OrigNDim;
  d.acdmkn = true;
  d.stknow = true;
  d.ArrayName = p.Name;
  for (int k = 1; k <= head.OrigNDim; ++k) {
    const auto& [name, elements] = sets[static_cast<size_t>(k - 1)];
    std::string msg;
    if (!CheckSetName(name, msg)) Refuse(p.Shown, "set \"" + name + "\": " + msg);
    if (static_cast<py::ssize_t>(elements.size()) != a.shape(k - 1)) {
      Refuse(p.Shown, "set " + name + " has " + std::to_string(elements.size()) +
                         " elements, dimension " + std::to_string(k) + " has size " +
                         std::to_string(a.shape(k - 1)));
    }
    CheckSetElements(p.Shown, name, elements);
    const auto [it, added] = seen.emplace(name, elements);
    if (!added && it->second != elements) {
      Refuse(p.Shown, "set " + name + " appears twice with different elements");
    }
    SetHeadSet(head, k, name, MakeList(elements));
  }
}

PHeaderRec RealHead(const TPyHead& p, const py::array& a) {
  if (a.ndim() > MaxDims) {
    Refuse(p.Shown, std::to_string(a.ndim()) + " dimensions, at most 7 can be written");
  }
  PHeaderRec head = NewHead(p, "RE");
  head->OrigNDim = static_cast<int32_t>(a.ndim());
  for (int k = 1; k <= head->OrigNDim; ++k) {
    if (a.shape(k - 1) > MaxDimSize) {
      Refuse(p.Shown, "dimension " + std::to_string(k) + " has size " +
                         std::to_string(a.shape(k - 1)) + ", at most 268435454");
    }
    head->Dims[8 - k] = static_cast<int32_t>(a.shape(k - 1));
  }
  SetLabels(p, a, *head);
  std::string msg;
  if (!AllocMat7(head->HeadMat, head->Dims, msg)) throw THarError(msg);
  if (a.size() > 0) {
    const auto f = py::array_t<float, py::array::f_style>::ensure(a);
    std::memcpy(head->HeadMat.Root->data(), f.data(), sizeof(float) * static_cast<size_t>(a.size()));
  }
  return head;
}

PHeaderRec MakeHead(const TPyHead& p) {
  if (py::isinstance<py::list>(p.Values) || py::isinstance<py::tuple>(p.Values)) {
    return StringsHead(p);
  }
  if (!py::isinstance<py::array>(p.Values)) {
    throw py::type_error("header " + p.Shown + ": values must be a numpy array or a list of str, "
                         "not " + std::string(py::str(p.Values.get_type().attr("__name__"))));
  }
  const auto a = py::reinterpret_borrow<py::array>(p.Values);
  if (a.dtype().is(py::dtype::of<float>())) return RealHead(p, a);
  if (a.dtype().is(py::dtype::of<int32_t>())) return IntsHead(p, a);
  Refuse(p.Shown, "dtype " + std::string(py::str(a.dtype())) +
                     ": float32 (real array) or int32 (2I matrix) wanted");
}

void CheckName(TPyHead& p, std::set<std::string>& names) {
  std::string name = p.Name;
  std::string msg;
  if (TrimBlanks(name).size() > HeadNameLen) {
    throw py::value_error("header name \"" + p.Name + "\": longer than 4 characters");
  }
  // The library's check drops blanks, which would change the name.
  if (name.find(' ') != std::string::npos) {
    throw py::value_error("header name \"" + p.Name + "\": Header must not contain a blank");
  }
  if (!IsAsciiText(name) || !CheckHeaderName(name, msg) || name.empty()) {
    throw py::value_error("header name \"" + p.Name + "\": " +
                          (msg.empty() ? "not a legal header name" : msg));
  }
  if (!names.insert(name).second) throw py::value_error("header name \"" + p.Name + "\" twice");
  p.Name = name;
  p.Shown = std::string(TrimBlanks(name));
  if (p.LongName.size() > LongNameLen || !IsAsciiText(p.LongName)) {
    Refuse(p.Shown, "long_name must be at most 70 printable ASCII characters");
  }
}

// The lines go after the first line a new history gets, which a history read
// from a file already starts with and is then not repeated. A line that fits
// a history string is kept as it is (a history read back is written again
// unchanged); a longer one is cut into continuation lines as the library
// cuts it. No lines, no history header.
bool AddHistory(THarData& har, std::vector<std::string> lines, std::string& msg) {
  if (lines.empty()) return true;
  if (!CreateHistoryHeader(&har, msg)) return false;
  THeaderRec& head = *har.XXHSHead;
  if (head.NStrings == 1 && TrimBlanks((*head.StringRec)[1]) == TrimBlanks(lines.front())) {
    lines.erase(lines.begin());
  }
  for (const std::string& line : lines) {
    if (line.size() > HistLineLen) {
      if (!AddHistLine(&head, line, msg)) return false;
      continue;
    }
    if (!AddToPStrVec(head.StringRec, line, head.NStrings, msg)) return false;
    ++head.NStrings;
  }
  return true;
}

void Write(const std::string& path, const py::list& heads, const std::vector<std::string>& history,
           const std::string& program, const std::string& date, bool checkSets) {
  THarData har;
  har.Flavour = TFileFlavour::NewFujitsu;
  std::set<std::string> names;
  for (const py::handle item : heads) {
    const auto t = py::cast<py::tuple>(item);
    TPyHead p{"", t[1], t[2], "", std::nullopt, ""};
    p.Shown = py::str(t[0]);
    p.Name = Cast<std::string>(t[0], p, "a str as header name");
    p.LongName = Cast<std::string>(t[3], p, "long_name: a str");
    p.StringLength = Cast<std::optional<int32_t>>(t[4], p, "string_length: an int or None");
    CheckName(p, names);
    har.Heads.push_back(MakeHead(p));
  }
  if (checkSets) CheckSharedSets(har.Heads);
  for (const std::string& line : history) {
    if (!IsAsciiText(line)) throw py::value_error("history line \"" + line + "\" is not ASCII");
  }
  std::string msg;
  bool ok = true;
  {
    const py::gil_scoped_release nogil;
    ok = AddHistory(har, history, msg) &&
         WriteHarFile(path, program, date, &har, ModuleWriteOptions(), msg);
  }
  if (!ok) throw THarError(msg);
}

}  // namespace

void BindWrite(py::module_& m) {
  m.def("_write", &Write, py::arg("path"), py::arg("heads"), py::arg("history"),
        py::arg("program"), py::arg("date"), py::arg("check_sets"));
}

}  // namespace modrask::python
