#include "python/pyfile.h"

#include <cerrno>
#include <utility>

#include "harinfo/dimlabels.h"
#include "harinfo/historyinfo.h"
#include "harinfo/infofile.h"
#include "modrask/har/headvalues.h"
#include "modrask/har/realread.h"
#include "modrask/records/lheyfile.h"
#include "python/pycommon.h"

namespace modrask::python {

namespace {

using harinfo::TDimInfo;

// Runs f() with the GIL released.
template <class F>
bool Unlocked(F f) {
  const py::gil_scoped_release nogil;
  return f();
}

// Strides of an array in dimension order, first dimension fastest.
std::vector<py::ssize_t> FortranStrides(const std::vector<py::ssize_t>& shape, py::ssize_t item) {
  std::vector<py::ssize_t> strides;
  py::ssize_t step = item;
  for (const py::ssize_t n : shape) {
    strides.push_back(step);
    step *= n > 0 ? n : 1;
  }
  return strides;
}

std::vector<py::ssize_t> RealShape(const THeaderRec& head) {
  std::vector<py::ssize_t> shape;
  for (const TDimInfo& d : harinfo::DimInfos(head)) shape.push_back(d.Size);
  return shape;
}

// A numpy array that owns `values` and uses its block as its buffer.
py::array RealArray(std::unique_ptr<TValues> values, const std::vector<py::ssize_t>& shape) {
  float* data = values->data();
  TValues* owned = values.release();
  const py::capsule owner(owned, [](void* p) { delete static_cast<TValues*>(p); });
  return py::array_t<float>(shape, FortranStrides(shape, sizeof(float)), data, owner);
}

py::array EmptyOf(const py::dtype& type, const std::vector<py::ssize_t>& shape) {
  return py::array(type, shape, FortranStrides(shape, type.itemsize()));
}

// The text of a special header, None when the file has none.
py::object SpecialOrNone(const THeaderRec* head) {
  if (head == nullptr) return py::none();
  return py::str(harinfo::SpecialText(head));
}

}  // namespace

void RaiseFileSystemError(const std::string& path, const std::string& plain) {
  const std::pair<const char*, int> kinds[] = {
      {"no such file", ENOENT}, {"is a folder, not a file", EISDIR},
      {"cannot be opened for reading", EACCES}};
  for (const auto& [words, code] : kinds) {
    if (plain != words) continue;
    // OSError(errno, text, filename) makes the subclass the errno names.
    const py::object error = py::module_::import("builtins").attr("OSError")(code, plain, path);
    PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(error.ptr())), error.ptr());
    throw py::error_already_set();
  }
}

THarData& TOpenHar::Get() const {
  if (Data == nullptr) throw THarError("File " + Path + " is closed");
  return *Data;
}

THarFileObj::THarFileObj(const std::string& path) : Open_(std::make_shared<TOpenHar>()) {
  Open_->Path = path;
  std::string msg;
  PHarData data;
  if (!Unlocked([&] { return harinfo::OpenInfoFile(path, data, msg); })) {
    const std::string plain = harinfo::PlainReadError(path, msg);
    RaiseFileSystemError(path, plain);
    throw THarError(path + ": " + plain);
  }
  Open_->Data = std::move(data);
}

std::vector<std::string> THarFileObj::Headers() const {
  std::vector<std::string> names;
  for (const PHeaderRec& h : Open_->Get().Heads) names.push_back(harinfo::ShownName(*h));
  return names;
}

std::vector<std::string> THarFileObj::History() const {
  return harinfo::HistoryLines(Open_->Get());
}

std::string THarFileObj::Flavour() const { return FlavourName(Open_->Get().Flavour); }

py::object THarFileObj::Created() const { return SpecialOrNone(Open_->Get().XXCDHead.get()); }
py::object THarFileObj::Program() const { return SpecialOrNone(Open_->Get().XXCRHead.get()); }

THeaderRec* THarFileObj::Find(const std::string& name) const {
  const THarData& data = Open_->Get();
  THeaderRec* head = harinfo::FindInfoHeader(data, name);
  for (const PHeaderRec* slot : {&data.XXCDHead, &data.XXCRHead, &data.XXCPHead, &data.XXHSHead}) {
    if (head != nullptr && head == slot->get()) return nullptr;
  }
  return head;
}

py::object THarFileObj::Item(const std::string& name) {
  THeaderRec* head = Find(name);
  if (head == nullptr) throw py::key_error(name);
  py::object& item = Items_[head];
  if (!item) item = py::cast(THeaderObj(Open_, head));
  return item;
}

bool THarFileObj::Contains(const std::string& name) const { return Find(name) != nullptr; }

void THarFileObj::Close() {
  Items_.clear();
  PHarData data = std::move(Open_->Data);
  // A reading of values that is under way ends before the data goes.
  Unlocked([&] {
    const std::lock_guard<std::mutex> lock(Open_->ValuesLock);
    return FreeHarData(data, TUnwantedMsg());
  });
}

const THeaderRec& THeaderObj::Head() const {
  File_->Get();  // raises once the file is closed
  return *Head_;
}

std::string THeaderObj::Name() const { return harinfo::ShownName(Head()); }
std::string THeaderObj::Type() const { return harinfo::StoredType(Head()); }
std::string THeaderObj::LongName() const { return harinfo::TrimmedString(Head().LongName); }

std::string THeaderObj::Storage() const {
  const THeaderRec& head = Head();
  return harinfo::IsRealArray(head) ? harinfo::StoredStorage(head) : head.StorageMethod;
}

int32_t THeaderObj::StringLength() const { return Head().LenString; }

std::vector<std::string> THeaderObj::ColumnTitles() const { return harinfo::ColumnTitles(Head()); }

py::tuple THeaderObj::Shape() const {
  const THeaderRec& head = Head();
  if (head.HeadType == "1C") return py::make_tuple(head.NStrings);
  if (head.HeadType == "2I") return py::make_tuple(head.NRows, head.NCols);
  return py::tuple(py::cast(RealShape(head)));
}

py::list THeaderObj::Sets() const {
  py::list sets;
  const THeaderRec& head = Head();
  if (!harinfo::IsRealArray(head)) return sets;
  for (const TDimInfo& d : harinfo::DimInfos(head)) {
    const py::object name = d.Labelled() ? py::object(py::str(d.Set)) : py::object(py::none());
    py::object elements = py::none();
    if (d.Single() || d.Elements != nullptr) {
      py::list names;
      for (int32_t i = 1; i <= d.Size; ++i) names.append(harinfo::CellName(d, i));
      elements = std::move(names);
    }
    sets.append(py::make_tuple(name, elements));
  }
  return sets;
}

py::object THeaderObj::Values() {
  if (Values_) return Values_;
  // The file's lock is taken without the GIL and then kept with it: no
  // thread waits for the lock while it holds the GIL.
  std::unique_lock<std::mutex> lock;
  {
    const py::gil_scoped_release nogil;
    lock = std::unique_lock<std::mutex>(File_->ValuesLock);
  }
  if (!Values_) Values_ = ReadValues();
  return Values_;
}

py::object THeaderObj::ReadValues() {
  THeaderRec& head = *const_cast<THeaderRec*>(&Head());
  if (head.HeadType == "1C") {
    py::list strings;
    if (head.StringRec != nullptr) {
      for (int32_t i = 1; i <= head.NStrings; ++i) {
        strings.append(harinfo::TrimmedString((*head.StringRec)[static_cast<size_t>(i)]));
      }
    }
    return strings;
  }
  // Values the reading left in the file are decoded straight into the block
  // that becomes the array's buffer, which the header then gives up; values
  // already in memory (a "2R" matrix) are copied, the header keeps them.
  const bool inFile = head.Values.InFile();
  std::string msg;
  // The stored bits, NaN and the infinities included, as harinfo shows them.
  const auto read = [&] {
    TReadOptions stored;
    stored.KeepNonFinite = true;
    return ReadHeaderValues(&head, stored, msg);
  };
  if (inFile && !Unlocked(read)) throw THarError(msg);
  if (head.HeadType == "2I") {
    const std::vector<py::ssize_t> shape{head.NRows, head.NCols};
    if (head.IntData == nullptr || head.NRows < 1 || head.NCols < 1) {
      if (inFile) ReleaseHeaderValues(&head);
      return EmptyOf(py::dtype::of<int32_t>(), shape);
    }
    const int32_t* first = &head.IntData->At(1, 1);
    const py::ssize_t column = (static_cast<py::ssize_t>(head.IntData->MaxRow) + 1) * 4;
    py::array_t<int32_t> view({shape[0], shape[1]}, {py::ssize_t{4}, column}, first);
    if (!inFile) return py::array(view);  // copied
    TArr4Block* owned = head.IntData.release();
    ReleaseHeaderValues(&head);
    const py::capsule owner(owned, [](void* p) { delete static_cast<TArr4Block*>(p); });
    return py::array_t<int32_t>({shape[0], shape[1]}, {py::ssize_t{4}, column}, first, owner);
  }
  const std::vector<py::ssize_t> shape = RealShape(head);
  TMat7& mat = head.HeadMat;
  if (mat.Root == nullptr || mat.Root->empty()) {
    if (inFile) ReleaseHeaderValues(&head);
    return EmptyOf(py::dtype::of<float>(), shape);
  }
  if (!inFile) {
    return py::array_t<float>(shape, FortranStrides(shape, sizeof(float)), mat.Root->data());
  }
  std::unique_ptr<TValues> values = std::move(mat.Root);
  ReleaseHeaderValues(&head);
  return RealArray(std::move(values), shape);
}

void BindFile(py::module_& m) {
  // Header first, so that File's signatures name it.
  py::class_<THeaderObj>(m, "Header", "One header of an open File.")
      .def_property_readonly("name", &THeaderObj::Name)
      .def_property_readonly("type", &THeaderObj::Type,
                             "The type the file stores: '1C', '2I', '2R', 'RE' or 'RL'.")
      .def_property_readonly("storage", &THeaderObj::Storage, "'FULL' or 'SPSE'.")
      .def_property_readonly("long_name", &THeaderObj::LongName)
      .def_property_readonly("shape", &THeaderObj::Shape,
                             "Sizes in dimension order; (rows, cols) for 2I; (strings,) for 1C.")
      .def_property_readonly("sets", &THeaderObj::Sets,
                             "Per dimension of a real array, dimension 1 first: (set name, "
                             "element names); None for what the file does not give.")
      .def_property_readonly("string_length", &THeaderObj::StringLength,
                             "The length of the strings of a 1C header.")
      .def_property_readonly("column_titles", &THeaderObj::ColumnTitles,
                             "The titles of the dimensions' columns in to_pandas and harinfo csv: "
                             "the set name (\"dim\" + k where none), made unique by the "
                             "dimension's position (REG, REG_3); 'row', 'col' for 2I.")
      .def_property_readonly("values", &THeaderObj::Values, R"(The header's data, read on first use.

Real arrays: a numpy float32 array of `shape` in Fortran order (first
dimension fastest, as the file stores them); 2I: a numpy int32 matrix;
1C: a list of str, trailing blanks dropped. NaN and the infinities read as
the file stores them, bit for bit. The arrays are writable: an edit stays in
this Header, which the File gives again for the same name, and is written by
modrask.write; the file read is never changed.)");

  py::class_<THarFileObj, std::shared_ptr<THarFileObj>>(m, "File", R"(A Header Array file opened for reading.

A read-only mapping of header name (any case) to Header, in file order:
len, iter, in, keys, values, items and get as for a dict. Opening reads the
header names, descriptors, set labels, character data and history, and
checks the shape of every value record; the values of real and integer
headers stay in the file until a header's ``values`` is read. The special
headers (XX..) are not in the mapping: see created, program and history.)")
      .def(py::init<const std::string&>(), py::arg("path"))
      .def_property_readonly("path", &THarFileObj::Path, "The file's name as given to open().")
      .def_property_readonly("headers", &THarFileObj::Headers,
                             "The header names in file order (the XX headers not included).")
      .def_property_readonly("history", &THarFileObj::History,
                             "The history lines, trailing blanks dropped; [] when there is none.")
      .def_property_readonly("created", &THarFileObj::Created,
                             "The creation stamp (XXCD), as 'at 2026-12-11 16:05:09'; None when "
                             "the file has none.")
      .def_property_readonly("program", &THarFileObj::Program,
                             "The creating program (XXCR); None when the file has none.")
      .def_property_readonly("flavour", &THarFileObj::Flavour,
                             "The record framing: 'Old Lahey' or 'New Fujitsu'.")
      .def_property_readonly("closed", &THarFileObj::Closed)
      .def("__getitem__", &THarFileObj::Item, py::arg("name"),
           "The header `name`, without regard to case; KeyError when absent. The same Header "
           "object each time while the file is open.")
      .def("__contains__", &THarFileObj::Contains)
      .def("__len__", &THarFileObj::Size)
      .def("close", &THarFileObj::Close,
           "Releases the file; its headers cannot be used afterwards (values already read stay).")
      .def("__enter__", [](const std::shared_ptr<THarFileObj>& f) { return f; })
      .def("__exit__", [](THarFileObj& f, const py::args&) { f.Close(); });
}

}  // namespace modrask::python
