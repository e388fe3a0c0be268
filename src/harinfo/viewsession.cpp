#include "harinfo/viewsession.h"

#include <sstream>

#include "modrask/records/bytefile.h"

#include "harinfo/diffprint.h"
#include "harinfo/hardiff.h"
#include "harinfo/infofile.h"
#include "harinfo/jsonout.h"

namespace modrask::harinfo {

namespace {

// Reads `name` into `f`, with the identity of the file read.
bool ReadViewFile(const std::string& name, TViewFile& f, std::string& msg) {
  f.Name = name;
  if (!OpenInfoFile(name, f.Data, msg)) {
    msg = name + ": " + msg;
    return false;
  }
  for (const PHeaderRec& h : f.Data->Heads) {
    if (h != nullptr && h->Values.InFile()) {
      f.Open = h->Values.File;
      break;
    }
  }
  // Without a descriptor kept (no values left in the file), the name's.
  const bool known = f.Open != nullptr && f.Open->File != nullptr
                         ? f.Open->File->Identity(f.Identity)
                         : HostPathIdentity(name, f.Identity);
  if (!known) f.Identity = HostFileIdentity{};
  return true;
}

}  // namespace

bool TViewSession::Open(const std::vector<std::string>& names, std::string& msg) {
  for (const std::string& name : names) {
    TViewFile f;
    if (!ReadViewFile(name, f, msg)) return false;
    files_.push_back(std::move(f));
  }
  return true;
}

bool TViewSession::Reload(std::string& msg) {
  std::vector<TViewFile> fresh(files_.size());
  for (size_t i = 0; i < files_.size(); ++i) {
    if (!ReadViewFile(files_[i].Name, fresh[i], msg)) return false;
  }
  files_ = std::move(fresh);
  compare_.clear();
  return true;
}

void TViewSession::Admit(std::string token, uint16_t port) {
  token_ = std::move(token);
  port_ = port;
}

std::string TViewSession::ChangedFile() const {
  for (const TViewFile& f : files_) {
    HostFileIdentity now;
    const bool open = f.Open != nullptr && f.Open->File != nullptr;
    if (open && (!f.Open->File->Identity(now) || !(now == f.Identity))) return f.Name;
    if (!HostPathIdentity(f.Name, now) || !(now == f.Identity)) return f.Name;
  }
  return {};
}

const TCellValues* TViewSession::Values(size_t i, THeaderRec* head, std::string& msg) {
  TViewFile& f = files_[i];
  if (f.CachedHead == head && f.Cached != nullptr) return f.Cached.get();
  // The header before goes first: one header's values per file at a time.
  Forget(i);
  auto values = std::make_unique<TCellValues>();
  if (!values->Load(head, msg)) return nullptr;
  f.Cached = std::move(values);
  f.CachedHead = head;
  return f.Cached.get();
}

void TViewSession::Forget(size_t i) {
  files_[i].Cached.reset();
  files_[i].CachedHead = nullptr;
}

bool TViewSession::CompareJson(const TDiffOptions& options, std::string& json,
                               std::string& msg) {
  const double abs = options.Tolerant ? options.Abs : -1;
  const double rel = options.Tolerant ? options.Rel : -1;
  if (!compare_.empty() && abs == compareAbs_ && rel == compareRel_) {
    json = compare_;
    return true;
  }
  // The comparison brings values in and releases them: the cache goes first.
  for (size_t i = 0; i < files_.size(); ++i) Forget(i);
  TFileDiff diff;
  if (!DiffHarFiles(*files_[0].Data, *files_[1].Data, options, diff, msg)) return false;
  std::ostringstream out;
  PrintDiffJson(out, diff, files_[0].Name, files_[1].Name);
  TJson j = TJson::parse(out.str(), nullptr, false);
  if (j.is_discarded()) {
    msg = "comparison not readable";
    return false;
  }
  TJson marks = TJson::object();
  for (const std::string& name : diff.OnlyOld) marks[name] = "only in OLD";
  for (const std::string& name : diff.OnlyNew) marks[name] = "only in NEW";
  for (const THeadDiff& d : diff.Heads) {
    const char* mark = d.Equal()                              ? "equal"
                       : d.Values == TValuesVerdict::Differ   ? "values changed"
                       : !d.LabelsEqual() || !d.LongNameEqual ? "labels changed"
                                                              : "changed";
    marks[d.Name] = mark;
  }
  j["marks"] = std::move(marks);
  j["summary"] = "Summary: " + DiffSummary(diff);
  compare_ = j.dump(-1, ' ', false, TJson::error_handler_t::replace);
  compareAbs_ = abs;
  compareRel_ = rel;
  json = compare_;
  return true;
}

}  // namespace modrask::harinfo
