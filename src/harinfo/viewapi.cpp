#include "harinfo/viewapi.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <map>
#include <random>
#include <sstream>

#include "harinfo/csvout.h"
#include "harinfo/diffprint.h"
#include "harinfo/dimlabels.h"
#include "harinfo/hardiff.h"
#include "harinfo/historyinfo.h"
#include "harinfo/infofile.h"
#include "harinfo/jsonout.h"
#include "harinfo/setsinfo.h"
#include "harinfo/viewpage.h"
#include "harinfo/viewslice.h"

namespace modrask::harinfo {

namespace {

using TQuery = std::map<std::string, std::string>;

constexpr const char* JsonType = "application/json";

// Longest request target taken; the page's own are far shorter.
constexpr size_t MaxTarget = 8192;

TViewAnswer Error(int status, std::string_view text) {
  TJson j;
  j["error"] = text;
  return {status, JsonType, j.dump(-1, ' ', false, TJson::error_handler_t::replace), {}};
}

TViewAnswer Json(const TJson& j) {
  return {200, JsonType, j.dump(-1, ' ', false, TJson::error_handler_t::replace), {}};
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Percent-decodes `s` ('+' is a blank). False on a broken escape.
bool Decoded(std::string_view s, std::string& out) {
  out.clear();
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '+') {
      out += ' ';
    } else if (s[i] != '%') {
      out += s[i];
    } else {
      if (i + 2 >= s.size()) return false;
      const int hi = HexDigit(s[i + 1]);
      const int lo = HexDigit(s[i + 2]);
      if (hi < 0 || lo < 0) return false;
      out += static_cast<char>(hi * 16 + lo);
      i += 2;
    }
  }
  return true;
}

// Splits the query into decoded keys and values. False on a broken escape
// or a key given twice.
bool ParseQuery(std::string_view query, TQuery& q) {
  while (!query.empty()) {
    const size_t amp = query.find('&');
    const std::string_view pair = query.substr(0, amp);
    query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
    if (pair.empty()) continue;
    const size_t eq = pair.find('=');
    std::string key;
    std::string value;
    if (!Decoded(pair.substr(0, eq), key)) return false;
    if (eq != std::string_view::npos && !Decoded(pair.substr(eq + 1), value)) return false;
    if (!q.emplace(std::move(key), std::move(value)).second) return false;
  }
  return true;
}

// The whole of `s` as a decimal number in [min, max].
bool Number(std::string_view s, int64_t min, int64_t max, int64_t& v) {
  const auto res = std::from_chars(s.data(), s.data() + s.size(), v);
  return res.ec == std::errc() && res.ptr == s.data() + s.size() && !s.empty() && v >= min &&
         v <= max;
}

// Equal in constant time for strings of the same length.
bool SameToken(std::string_view a, std::string_view b) {
  if (a.size() != b.size() || a.empty()) return false;
  unsigned diff = 0;
  for (size_t i = 0; i < a.size(); ++i) diff |= static_cast<unsigned char>(a[i] ^ b[i]);
  return diff == 0;
}

bool HostAllowed(std::string_view host, uint16_t port) {
  const std::string p = ":" + std::to_string(port);
  return host == "127.0.0.1" + p || host == "localhost" + p;
}

void AppendNumber(std::string& out, double v, bool asFloat) {
  if (!std::isfinite(v)) {
    out += "null";
    return;
  }
  char buf[40];
  const auto res = asFloat ? std::to_chars(buf, buf + sizeof buf, static_cast<float>(v))
                           : std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, res.ptr);
}

void AppendNumbers(std::string& out, const double* v, int64_t n, bool asFloat) {
  out += '[';
  for (int64_t i = 0; i < n; ++i) {
    if (i > 0) out += ',';
    AppendNumber(out, v[i], asFloat);
  }
  out += ']';
}

void AppendRows(std::string& out, const TSlice& s, bool asFloat) {
  out += '[';
  for (int64_t r = 0; r < s.Rows; ++r) {
    if (r > 0) out += ',';
    AppendNumbers(out, s.Values.data() + r * s.Cols, s.Cols, asFloat);
  }
  out += ']';
}

// `head` from `j`'s text with more members appended.
std::string Extended(const TJson& j, const std::string& more) {
  std::string text = j.dump(-1, ' ', false, TJson::error_handler_t::replace);
  text.pop_back();
  return text + more + "}";
}

TJson AxisJson(const std::vector<TDimInfo>& dims, int dim, int64_t size, int64_t offset,
               int64_t count) {
  if (dim < 0) return nullptr;
  const TDimInfo& d = dims[static_cast<size_t>(dim)];
  TJson j;
  j["dim"] = dim + 1;
  j["title"] = DimTitle(d, dim + 1);
  j["size"] = size;
  j["offset"] = offset;
  TJson names = TJson::array();
  for (int64_t i = 0; i < count; ++i) {
    names.push_back(CellName(d, static_cast<int32_t>(offset + i + 1)));
  }
  j["names"] = std::move(names);
  return j;
}

class TRequest {
 public:
  TRequest(TViewSession& session, const TQuery& q) : s_(session), q_(q) {}

  TViewAnswer Route(std::string_view path);

 private:
  bool FileIndex(size_t& i, TViewAnswer& bad) const;
  THeaderRec* Header(size_t i, TViewAnswer& bad) const;
  bool Int(const char* key, int64_t fallback, int64_t max, int64_t& v, TViewAnswer& bad) const;
  TViewAnswer Files() const;
  TViewAnswer Headers(size_t i) const;
  TViewAnswer HeaderInfo(const THeaderRec& head) const;
  TViewAnswer Strings(size_t i, const THeaderRec& head) const;
  TViewAnswer Slice(size_t i, THeaderRec* head);
  TViewAnswer Sets(size_t i) const;
  TViewAnswer Csv(size_t i, THeaderRec* head) const;
  TViewAnswer Compare() const;
  // The same header in the other file, when its dimensions agree.
  THeaderRec* Counterpart(size_t i, const THeaderRec& head, std::string& note) const;

  TViewSession& s_;
  const TQuery& q_;
};

bool TRequest::FileIndex(size_t& i, TViewAnswer& bad) const {
  int64_t v = 0;
  if (!Int("file", 0, static_cast<int64_t>(s_.FileCount()) - 1, v, bad)) return false;
  i = static_cast<size_t>(v);
  return true;
}

bool TRequest::Int(const char* key, int64_t fallback, int64_t max, int64_t& v,
                   TViewAnswer& bad) const {
  const auto found = q_.find(key);
  if (found == q_.end()) {
    v = fallback;
    return true;
  }
  if (Number(found->second, 0, max, v)) return true;
  bad = Error(400, std::string("bad number for ") + key);
  return false;
}

THeaderRec* TRequest::Header(size_t i, TViewAnswer& bad) const {
  const auto found = q_.find("h");
  if (found == q_.end()) {
    bad = Error(400, "no header named (h=)");
    return nullptr;
  }
  THeaderRec* head = FindInfoHeader(*s_.File(i).Data, found->second);
  if (head == nullptr) bad = Error(404, "no header " + found->second);
  return head;
}

TViewAnswer TRequest::Files() const {
  TJson files = TJson::array();
  for (size_t i = 0; i < s_.FileCount(); ++i) {
    const TViewFile& f = s_.File(i);
    TJson j;
    j["name"] = f.Name;
    j["framing"] = FlavourName(f.Data->Flavour);
    j["headers"] = f.Data->NHeads();
    files.push_back(std::move(j));
  }
  TJson j;
  j["files"] = std::move(files);
  j["compare"] = s_.FileCount() == 2;
  return Json(j);
}

TViewAnswer TRequest::Headers(size_t i) const {
  TJson heads = TJson::array();
  for (const PHeaderRec& h : s_.File(i).Data->Heads) {
    TJson j = HeaderJson(*h, false);
    j["storage"] = StoredStorage(*h);
    j["dims_text"] = DimsText(*h);
    heads.push_back(std::move(j));
  }
  TJson j;
  j["file"] = i;
  j["headers"] = std::move(heads);
  return Json(j);
}

TViewAnswer TRequest::HeaderInfo(const THeaderRec& head) const {
  TJson dims = TJson::array();
  const std::vector<TDimInfo> infos = DimInfos(head);
  for (size_t k = 0; k < infos.size(); ++k) {
    const TDimInfo& d = infos[k];
    TJson j;
    j["title"] = head.HeadType == "2I" ? TJson(k == 0 ? "row" : "col")
                                       : TJson(DimTitle(d, static_cast<int>(k + 1)));
    j["size"] = d.Size;
    if (d.Single()) j["element"] = d.Element;
    TJson names = TJson::array();
    if (head.HeadType != "1C") {
      for (int32_t e = 1; e <= d.Size; ++e) names.push_back(CellName(d, e));
    }
    j["elements"] = std::move(names);
    dims.push_back(std::move(j));
  }
  TJson j;
  j["name"] = ShownName(head);
  j["type"] = StoredType(head);
  j["long_name"] = TrimmedString(head.LongName);
  j["dims_text"] = DimsText(head);
  j["dims"] = std::move(dims);
  return Json(j);
}

THeaderRec* TRequest::Counterpart(size_t i, const THeaderRec& head, std::string& note) const {
  if (s_.FileCount() != 2) return nullptr;
  THeaderRec* other = FindInfoHeader(*s_.File(1 - i).Data, ShownName(head));
  if (other == nullptr) {
    note = "only in one file";
    return nullptr;
  }
  if (other->HeadType != head.HeadType) {
    note = "types differ";
    return nullptr;
  }
  std::vector<TDimInfo> a = DimInfos(head);
  std::vector<TDimInfo> b = DimInfos(*other);
  bool same = a.size() == b.size();
  for (size_t k = 0; same && k < a.size(); ++k) same = a[k].Size == b[k].Size;
  if (!same) {
    note = "dimensions differ";
    return nullptr;
  }
  return other;
}

TViewAnswer TRequest::Strings(size_t i, const THeaderRec& head) const {
  TViewAnswer bad;
  int64_t offset = 0;
  int64_t limit = 0;
  if (!Int("r0", 0, head.NStrings, offset, bad) || !Int("rn", 100, MaxSliceCells, limit, bad)) {
    return bad;
  }
  const auto strings = [&](const THeaderRec& h) {
    TJson list = TJson::array();
    const int64_t end = std::min<int64_t>(offset + limit, h.NStrings);
    for (int64_t k = offset + 1; h.StringRec != nullptr && k <= end; ++k) {
      if (static_cast<size_t>(k) >= h.StringRec->size()) break;
      list.push_back(TrimmedString((*h.StringRec)[static_cast<size_t>(k)]));
    }
    return list;
  };
  TJson j;
  j["header"] = ShownName(head);
  j["type"] = "1C";
  j["size"] = head.NStrings;
  j["offset"] = offset;
  j["strings"] = strings(head);
  std::string note;
  if (const THeaderRec* other = Counterpart(i, head, note)) {
    j["other_strings"] = strings(*other);
  } else if (!note.empty()) {
    j["other_note"] = note;
  }
  return Json(j);
}

TViewAnswer TRequest::Slice(size_t i, THeaderRec* head) {
  if (head->HeadType == "1C") return Strings(i, *head);
  const std::vector<TDimInfo> dims = DimInfos(*head);
  TSliceRequest req;
  TViewAnswer bad;
  if (!Int("r0", 0, INT32_MAX, req.RowOffset, bad) ||
      !Int("rn", 100, MaxSliceCells, req.RowLimit, bad) ||
      !Int("c0", 0, INT32_MAX, req.ColOffset, bad) ||
      !Int("cn", 100, MaxSliceCells, req.ColLimit, bad)) {
    return bad;
  }
  // sel: one word per dimension: r, c, t, or the element's number from 1.
  const auto sel = q_.find("sel");
  std::string_view words = sel == q_.end() ? std::string_view() : std::string_view(sel->second);
  while (!words.empty()) {
    const size_t comma = words.find(',');
    const std::string_view w = words.substr(0, comma);
    int64_t e = 0;
    if (w == "r") {
      req.Roles.push_back(SliceRows);
    } else if (w == "c") {
      req.Roles.push_back(SliceCols);
    } else if (w == "t") {
      req.Roles.push_back(SliceTotal);
    } else if (Number(w, 1, INT32_MAX, e)) {
      req.Roles.push_back(static_cast<int32_t>(e));
    } else {
      return Error(400, "bad sel");
    }
    if (comma == std::string_view::npos || req.Roles.size() > 7) break;
    words = words.substr(comma + 1);
    if (words.empty()) return Error(400, "bad sel");
  }
  std::string msg;
  if (!CheckSliceRequest(dims, req, msg)) return Error(400, msg);
  const TCellValues* values = s_.Values(i, head, msg);
  TSlice slice;
  if (values == nullptr || !ComputeSlice(*values, dims, req, slice, msg)) {
    return Error(500, s_.File(i).Name + ": " + msg);
  }
  const bool asFloat = !slice.Summed && !values->IsInteger();
  TJson j;
  j["header"] = ShownName(*head);
  j["type"] = StoredType(*head);
  j["rows"] = AxisJson(dims, slice.RowDim, slice.RowSize, slice.RowOffset, slice.Rows);
  j["cols"] = AxisJson(dims, slice.ColDim, slice.ColSize, slice.ColOffset, slice.Cols);
  j["summed"] = slice.Summed;
  std::string more = ",\"values\":";
  AppendRows(more, slice, asFloat);
  more += ",\"row_totals\":";
  AppendNumbers(more, slice.RowTotals.data(), slice.Rows, false);
  more += ",\"col_totals\":";
  AppendNumbers(more, slice.ColTotals.data(), slice.Cols, false);
  more += ",\"total\":";
  AppendNumber(more, slice.Total, false);
  std::string note;
  if (THeaderRec* other = Counterpart(i, *head, note)) {
    const TCellValues* otherValues = s_.Values(1 - i, other, msg);
    TSlice otherSlice;
    if (otherValues == nullptr || !ComputeSlice(*otherValues, dims, req, otherSlice, msg)) {
      return Error(500, s_.File(1 - i).Name + ": " + msg);
    }
    more += ",\"other\":";
    AppendRows(more, otherSlice, asFloat);
  } else if (!note.empty()) {
    TJson n = note;
    more += ",\"other_note\":" + n.dump();
  }
  return {200, JsonType, Extended(j, more), {}};
}

TViewAnswer TRequest::Sets(size_t i) const {
  std::ostringstream out;
  std::string msg;
  if (!PrintSets(out, *s_.File(i).Data, true, msg)) {
    return Error(500, s_.File(i).Name + ": " + msg);
  }
  std::string text = out.str();
  if (!text.empty() && text.back() == '\n') text.pop_back();
  return {200, JsonType, std::move(text), {}};
}

TViewAnswer TRequest::Csv(size_t i, THeaderRec* head) const {
  const int64_t cells = CellCount(DimInfos(*head));
  if (cells > MaxCsvCells) {
    return Error(413, "a header of " + std::to_string(cells) +
                          " cells is too large to download here: harinfo csv " + s_.File(i).Name +
                          " " + ShownName(*head) + " writes it");
  }
  s_.Forget(i);
  std::ostringstream out;
  std::string msg;
  if (!WriteHeaderCsv(out, head, false, msg)) return Error(500, s_.File(i).Name + ": " + msg);
  std::string name;
  for (const char c : ShownName(*head)) {
    name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  }
  return {200, "text/csv; charset=utf-8", out.str(), name + ".csv"};
}

TViewAnswer TRequest::Compare() const {
  if (s_.FileCount() != 2) return Error(404, "no second file to compare with");
  std::string json;
  std::string msg;
  if (!s_.CompareJson(json, msg)) return Error(500, msg);
  return {200, JsonType, std::move(json), {}};
}

TViewAnswer TRequest::Route(std::string_view path) {
  if (path == "/") {
    std::string html(ViewPageHtml());
    for (size_t at = html.find("{{TOKEN}}"); at != std::string::npos; at = html.find("{{TOKEN}}")) {
      html.replace(at, 9, s_.Token());
    }
    return {200, "text/html; charset=utf-8", std::move(html), {}};
  }
  if (path == "/app.js")
    return {200, "text/javascript; charset=utf-8", std::string(ViewPageScript()), {}};
  if (path == "/app.css") return {200, "text/css; charset=utf-8", std::string(ViewPageStyle()), {}};
  if (path == "/api/files") return Files();
  if (path == "/api/compare") return Compare();
  size_t i = 0;
  TViewAnswer bad;
  if (!FileIndex(i, bad)) return bad;
  if (path == "/api/headers") return Headers(i);
  if (path == "/api/sets") return Sets(i);
  if (path == "/api/history") {
    TJson j;
    j["lines"] = HistoryLines(*s_.File(i).Data);
    return Json(j);
  }
  const bool known = path == "/api/header" || path == "/api/slice" || path == "/api/csv";
  if (!known) return Error(404, "not found");
  THeaderRec* head = Header(i, bad);
  if (head == nullptr) return bad;
  if (path == "/api/header") return HeaderInfo(*head);
  if (path == "/api/slice") return Slice(i, head);
  return Csv(i, head);
}

}  // namespace

bool TViewSession::Open(const std::vector<std::string>& names, std::string& msg) {
  for (const std::string& name : names) {
    TViewFile f;
    f.Name = name;
    std::error_code ec;
    f.Size = std::filesystem::file_size(name, ec);
    f.Time = std::filesystem::last_write_time(name, ec);
    if (!OpenInfoFile(name, f.Data, msg)) {
      msg = name + ": " + msg;
      return false;
    }
    files_.push_back(std::move(f));
  }
  return true;
}

void TViewSession::Admit(std::string token, uint16_t port) {
  token_ = std::move(token);
  port_ = port;
}

bool TViewSession::Changed() const {
  for (const TViewFile& f : files_) {
    std::error_code ec;
    const uintmax_t size = std::filesystem::file_size(f.Name, ec);
    if (ec || size != f.Size) return true;
    const auto time = std::filesystem::last_write_time(f.Name, ec);
    if (ec || time != f.Time) return true;
  }
  return false;
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

bool TViewSession::CompareJson(std::string& json, std::string& msg) {
  if (!compare_.empty()) {
    json = compare_;
    return true;
  }
  // The comparison brings values in and releases them: the cache goes first.
  for (size_t i = 0; i < files_.size(); ++i) Forget(i);
  TFileDiff diff;
  if (!DiffHarFiles(*files_[0].Data, *files_[1].Data, {}, diff, msg)) return false;
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
  json = compare_;
  return true;
}

std::string NewViewToken() {
  std::random_device random;
  std::string token;
  constexpr const char* hex = "0123456789abcdef";
  while (token.size() < 32) {
    const unsigned v = random();
    for (int k = 0; k < 8 && token.size() < 32; ++k) token += hex[(v >> (4 * k)) & 15];
  }
  return token;
}

TViewAnswer AnswerView(TViewSession& session, std::string_view target, std::string_view host) {
  if (!HostAllowed(host, session.Port())) return Error(403, "forbidden");
  const size_t mark = target.find('?');
  const std::string_view path = target.substr(0, mark);
  TQuery q;
  const bool parsed = target.size() <= MaxTarget &&
                      (mark == std::string_view::npos || ParseQuery(target.substr(mark + 1), q));
  const auto token = q.find("token");
  if (!parsed || token == q.end() || !SameToken(token->second, session.Token())) {
    return Error(403, "forbidden");
  }
  if (session.Changed()) {
    constexpr const char* changed =
        "a file changed on disk since it was opened: restart harinfo view";
    if (path != "/") return Error(409, changed);
    return {409,
            "text/html; charset=utf-8",
            std::string("<!DOCTYPE html><title>harinfo view</title><p>") + changed + "</p>",
            {}};
  }
  TRequest request(session, q);
  return request.Route(path);
}

}  // namespace modrask::harinfo
