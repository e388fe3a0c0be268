#include "harinfo/viewapi.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <map>
#include <random>
#include <ostream>
#include <sstream>
#include <streambuf>

#include "harinfo/csvout.h"
#include "harinfo/diffprint.h"
#include "harinfo/dimlabels.h"
#include "harinfo/hardiff.h"
#include "harinfo/historyinfo.h"
#include "harinfo/infofile.h"
#include "harinfo/jsonout.h"
#include "harinfo/setsinfo.h"
#include "harinfo/viewnextdiff.h"
#include "harinfo/viewpage.h"
#include "harinfo/viewquery.h"
#include "harinfo/viewslice.h"
#include "harinfo/viewslicejson.h"
#include "harinfo/viewtablecsv.h"

namespace modrask::harinfo {

namespace {

constexpr const char* JsonType = "application/json";

// Longest request target taken; the page's own are far shorter.
constexpr size_t MaxTarget = 8192;

// An output stream that appends to a string: a CSV answer is written once,
// into the string that is sent, with no second copy.
class TStringBuf : public std::streambuf {
 public:
  explicit TStringBuf(std::string& s) : s_(s) {}

 protected:
  std::streamsize xsputn(const char* p, std::streamsize n) override {
    s_.append(p, static_cast<size_t>(n));
    return n;
  }
  int_type overflow(int_type c) override {
    if (!traits_type::eq_int_type(c, traits_type::eof())) s_ += traits_type::to_char_type(c);
    return traits_type::not_eof(c);
  }

 private:
  std::string& s_;
};

// Bytes a CSV cell takes, about: room reserved so the text is not moved.
constexpr size_t CsvCellBytes = 24;

TViewAnswer Error(int status, std::string_view text) {
  TJson j;
  j["error"] = text;
  return {status, JsonType, j.dump(-1, ' ', false, TJson::error_handler_t::replace), {}};
}

TViewAnswer Json(const TJson& j) {
  return {200, JsonType, j.dump(-1, ' ', false, TJson::error_handler_t::replace), {}};
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
  TViewAnswer TableCsv(size_t i, THeaderRec* head);
  // The roles of the dimensions from sel=: one word per dimension, r, c, t
  // or the element's number from 1.
  bool Roles(std::vector<int32_t>& roles, TViewAnswer& bad) const;
  TViewAnswer Sets(size_t i) const;
  TViewAnswer Csv(size_t i, THeaderRec* head) const;
  TViewAnswer Compare() const;
  // The next (dir=next) or previous (dir=prev) differing cell of header h
  // after OLD's cell at= (from the start or end without it).
  TViewAnswer NextDiff();
  // The tolerances abs= and rel= of the comparison, as harinfo diff's
  // --abs and --rel.
  bool Tolerances(TDiffOptions& o, TViewAnswer& bad) const;
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
  const std::vector<std::string> titles =
      head.HeadType == "1C" ? std::vector<std::string>(infos.size()) : ColumnTitles(head);
  for (size_t k = 0; k < infos.size(); ++k) {
    const TDimInfo& d = infos[k];
    TJson j;
    j["title"] = titles[k];
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

bool TRequest::Roles(std::vector<int32_t>& roles, TViewAnswer& bad) const {
  const auto sel = q_.find("sel");
  std::string_view words = sel == q_.end() ? std::string_view() : std::string_view(sel->second);
  while (!words.empty()) {
    const size_t comma = words.find(',');
    const std::string_view w = words.substr(0, comma);
    int64_t e = 0;
    if (w == "r") {
      roles.push_back(SliceRows);
    } else if (w == "c") {
      roles.push_back(SliceCols);
    } else if (w == "t") {
      roles.push_back(SliceTotal);
    } else if (Number(w, 1, INT32_MAX, e)) {
      roles.push_back(static_cast<int32_t>(e));
    } else {
      bad = Error(400, "bad sel");
      return false;
    }
    if (comma == std::string_view::npos || roles.size() > 7) break;
    words = words.substr(comma + 1);
    if (words.empty()) {
      bad = Error(400, "bad sel");
      return false;
    }
  }
  return true;
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
  if (!Roles(req.Roles, bad)) return bad;
  std::string msg;
  if (!CheckSliceRequest(dims, req, msg)) return Error(400, msg);
  const TCellValues* values = s_.Values(i, head, msg);
  TSlice slice;
  if (values == nullptr || !ComputeSlice(*values, dims, req, slice, msg)) {
    return Error(500, s_.File(i).Name + ": " + msg);
  }
  std::string note;
  TSlice otherSlice;
  THeaderRec* other = Counterpart(i, *head, note);
  if (other != nullptr) {
    const TCellValues* otherValues = s_.Values(1 - i, other, msg);
    if (otherValues == nullptr || !ComputeSlice(*otherValues, dims, req, otherSlice, msg)) {
      return Error(500, s_.File(1 - i).Name + ": " + msg);
    }
  }
  return {200, JsonType,
          SliceJson(*head, dims, slice, other != nullptr ? &otherSlice : nullptr, note), {}};
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
  std::string text;
  text.reserve(static_cast<size_t>(cells) * CsvCellBytes);
  TStringBuf buf(text);
  std::ostream out(&buf);
  std::string msg;
  if (!WriteHeaderCsv(out, head, false, true, msg)) return Error(500, s_.File(i).Name + ": " + msg);
  return {200, "text/csv; charset=utf-8", std::move(text), TableCsvName(ShownName(*head), {}, {})};
}

TViewAnswer TRequest::TableCsv(size_t i, THeaderRec* head) {
  if (head->HeadType == "1C") return Csv(i, head);
  const std::vector<TDimInfo> dims = DimInfos(*head);
  TSliceRequest req;
  TViewAnswer bad;
  int64_t totals = 0;
  if (!Roles(req.Roles, bad) || !Int("totals", 0, 1, totals, bad)) return bad;
  // The whole of the row and column dimensions: checked first with a page
  // of one cell, which any slice has.
  req.RowLimit = 1;
  req.ColLimit = 1;
  std::string msg;
  if (!CheckSliceRequest(dims, req, msg)) return Error(400, msg);
  const auto size = [&dims](int32_t role, const std::vector<int32_t>& roles) -> int64_t {
    const auto at = std::find(roles.begin(), roles.end(), role);
    return at == roles.end() ? 1 : dims[static_cast<size_t>(at - roles.begin())].Size;
  };
  req.RowLimit = size(SliceRows, req.Roles);
  req.ColLimit = size(SliceCols, req.Roles);
  if (req.RowLimit * req.ColLimit > MaxCsvCells) {
    return Error(413, "a table of " + std::to_string(req.RowLimit * req.ColLimit) +
                          " cells is too large to download here: harinfo csv " + s_.File(i).Name +
                          " " + ShownName(*head) + " writes the header");
  }
  const TCellValues* values = s_.Values(i, head, msg);
  TSlice slice;
  if (values == nullptr || !ComputeSlice(*values, dims, req, slice, msg)) {
    return Error(500, s_.File(i).Name + ": " + msg);
  }
  std::string text;
  text.reserve(static_cast<size_t>(slice.Rows * slice.Cols) * CsvCellBytes);
  TStringBuf buf(text);
  std::ostream out(&buf);
  WriteTableCsv(out, slice, dims, ColumnTitles(*head), !slice.Summed && !values->IsInteger(),
                totals == 1);
  return {200, "text/csv; charset=utf-8", std::move(text),
          TableCsvName(ShownName(*head), dims, req.Roles)};
}

bool TRequest::Tolerances(TDiffOptions& o, TViewAnswer& bad) const {
  for (const auto& [key, value] : {std::pair{"abs", &o.Abs}, std::pair{"rel", &o.Rel}}) {
    const auto found = q_.find(key);
    if (found == q_.end() || found->second.empty()) continue;
    if (!ParseTolerance(found->second, *value)) {
      bad = Error(400, std::string(key) + " wants a non-negative number");
      return false;
    }
    o.Tolerant = true;
  }
  return true;
}

TViewAnswer TRequest::Compare() const {
  if (s_.FileCount() != 2) return Error(404, "no second file to compare with");
  TDiffOptions options;
  TViewAnswer bad;
  if (!Tolerances(options, bad)) return bad;
  std::string json;
  std::string msg;
  if (!s_.CompareJson(options, json, msg)) return Error(500, msg);
  return {200, JsonType, std::move(json), {}};
}

TViewAnswer TRequest::NextDiff() {
  if (s_.FileCount() != 2) return Error(404, "no second file to compare with");
  TViewAnswer bad;
  TDiffOptions options;
  if (!Tolerances(options, bad)) return bad;
  THeaderRec* head = Header(0, bad);
  if (head == nullptr) return bad;
  THeaderRec* other = FindInfoHeader(*s_.File(1).Data, ShownName(*head));
  if (other == nullptr) return Error(404, "the header is in one file only");
  THeadDiff d;
  TCellMatch match;
  if (!PairCells(*head, *other, d, match)) return Error(400, "values not compared: " + d.NotComparable);
  if (head->HeadType == "1C") return Error(400, "next difference is for real and integer headers");
  std::string msg;
  const TCellValues* a = s_.Values(0, head, msg);
  const TCellValues* b = a == nullptr ? nullptr : s_.Values(1, other, msg);
  if (b == nullptr) return Error(500, msg);
  const auto dir = q_.find("dir");
  const bool forward = dir == q_.end() || dir->second == "next";
  if (!forward && dir->second != "prev") return Error(400, "dir wants next or prev");
  int64_t at = 0;
  if (!Int("at", forward ? -1 : a->Count(), a->Count(), at, bad)) return bad;
  std::vector<int32_t> sizes;
  for (const TDimInfo& x : DimInfos(*head)) sizes.push_back(x.Size);
  const TDiffCell found = NextDifference(*a, *b, match, sizes, options, at, forward);
  TJson j;
  j["found"] = found.Cell >= 0;
  if (found.Cell >= 0) {
    j["cell"] = found.Cell;
    j["at"] = found.At;
    j["new_at"] = found.NewAt;
  }
  return Json(j);
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
  if (path == "/api/nextdiff") return NextDiff();
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
  const bool known = path == "/api/header" || path == "/api/slice" || path == "/api/csv" ||
                     path == "/api/tablecsv";
  if (!known) return Error(404, "not found");
  THeaderRec* head = Header(i, bad);
  if (head == nullptr) return bad;
  if (path == "/api/header") return HeaderInfo(*head);
  if (path == "/api/slice") return Slice(i, head);
  if (path == "/api/tablecsv") return TableCsv(i, head);
  return Csv(i, head);
}

}  // namespace

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
  const std::string_view query =
      mark == std::string_view::npos ? std::string_view() : target.substr(mark + 1);
  const bool parsed = target.size() <= MaxTarget && ParseQuery(query, q);
  const auto token = q.find("token");
  if (!parsed || token == q.end() || !SameToken(token->second, session.Token())) {
    // A query that does not parse but carries the right token once is the
    // page's own, malformed: 400. Else nothing is told.
    const bool own = target.size() <= MaxTarget && HasToken(query, session.Token());
    return own ? Error(400, "malformed query") : Error(403, "forbidden");
  }
  // The page and its files are served whatever the files on disk do; the
  // values only while the files are as they were read.
  const bool always = path == "/" || path == "/app.js" || path == "/app.css";
  const std::string changed = always ? std::string() : session.ChangedFile();
  if (path == "/api/status") {
    TJson j;
    j["changed"] = changed;
    return Json(j);
  }
  if (path == "/api/reload") {
    std::string msg;
    if (!session.Reload(msg)) return Error(500, msg);
    TJson j;
    j["reloaded"] = true;
    return Json(j);
  }
  if (!changed.empty()) {
    TJson j;
    j["error"] = changed + " changed on disk since it was read: Reload reads it again";
    j["changed"] = changed;
    return {409, JsonType, j.dump(-1, ' ', false, TJson::error_handler_t::replace), {}};
  }
  TRequest request(session, q);
  return request.Route(path);
}

}  // namespace modrask::harinfo
