#include "harinfo/csvout.h"

#include <charconv>
#include <cmath>
#include <ostream>
#include <vector>

#include "harinfo/cellvalues.h"
#include "harinfo/dimlabels.h"

namespace modrask::harinfo {

namespace {

constexpr size_t CsvBufSize = size_t{1} << 20;

// The label fields of one dimension: quoted element names where the file
// names them, else nothing (the index is written as a number).
std::vector<std::string> QuotedNames(const TCsvWriter& csv, const TDimInfo& d) {
  std::vector<std::string> names;
  if (!d.Single() && d.Elements == nullptr) return names;
  names.reserve(static_cast<size_t>(d.Size) + 1);
  names.emplace_back();
  for (int32_t i = 1; i <= d.Size; ++i) names.push_back(csv.Text(CellName(d, i)));
  return names;
}

void WriteStrings(TCsvWriter& csv, const THeaderRec& head) {
  csv.Field("String");
  csv.EndRow();
  if (head.StringRec == nullptr) return;
  for (int32_t i = 1; i <= head.NStrings && static_cast<size_t>(i) < head.StringRec->size(); ++i) {
    csv.Field(TrimmedString((*head.StringRec)[static_cast<size_t>(i)]));
    csv.EndRow();
  }
}

}  // namespace

TCsvWriter::TCsvWriter(std::ostream& out, bool defuse) : out_(out), defuse_(defuse) {
  buf_.reserve(CsvBufSize + 256);
}

std::string TCsvWriter::Quoted(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string q = "\"";
  for (const char c : text) {
    if (c == '"') q += '"';
    q += c;
  }
  q += '"';
  return q;
}

std::string TCsvWriter::Text(std::string_view text) const {
  if (defuse_ && !text.empty() && std::string_view("=+-@").find(text[0]) != std::string_view::npos) {
    return Quoted("'" + std::string(text));
  }
  return Quoted(text);
}

void TCsvWriter::Separate() {
  if (rowStarted_) buf_ += ',';
  rowStarted_ = true;
}

void TCsvWriter::Reserve(size_t n) {
  if (buf_.size() + n > CsvBufSize) Flush();
}

void TCsvWriter::Field(std::string_view text) {
  RawField(Text(text));
}

void TCsvWriter::RawField(std::string_view text) {
  Reserve(text.size() + 1);
  Separate();
  buf_.append(text);
}

void TCsvWriter::IntField(int64_t v) {
  char tmp[24];
  const auto res = std::to_chars(tmp, tmp + sizeof tmp, v);
  RawField(std::string_view(tmp, static_cast<size_t>(res.ptr - tmp)));
}

void TCsvWriter::FloatField(float v) {
  ShortestField(v);
}

void TCsvWriter::DoubleField(double v) {
  ShortestField(v);
}

template <typename T>
void TCsvWriter::ShortestField(T v) {
  if (!std::isfinite(v)) {
    RawField(std::isnan(v) ? "NaN" : v > 0 ? "Inf" : "-Inf");
    return;
  }
  char tmp[32];
  const auto res = std::to_chars(tmp, tmp + sizeof tmp, v);
  RawField(std::string_view(tmp, static_cast<size_t>(res.ptr - tmp)));
}

void TCsvWriter::EndRow() {
  Reserve(1);
  buf_ += '\n';
  rowStarted_ = false;
}

void TCsvWriter::Flush() {
  if (buf_.empty()) return;
  out_.write(buf_.data(), static_cast<std::streamsize>(buf_.size()));
  buf_.clear();
}

bool WriteHeaderCsv(std::ostream& out, THeaderRec* head, bool nonZero, bool defuse,
                    std::string& msg) {
  TCsvWriter csv(out, defuse);
  if (head->HeadType == "1C") {
    WriteStrings(csv, *head);
    return true;
  }
  const std::vector<TDimInfo> dims = DimInfos(*head);
  const bool ints = head->HeadType == "2I";
  for (const std::string& title : ColumnTitles(*head)) csv.Field(title);
  csv.Field("Value");
  csv.EndRow();
  TCellValues values;
  if (!values.Load(head, msg)) return false;
  std::vector<std::vector<std::string>> names;
  for (const TDimInfo& d : dims) names.push_back(QuotedNames(csv, d));
  const int64_t n = std::min(values.Count(), CellCount(dims));
  std::vector<int32_t> index(dims.size(), 1);
  for (int64_t p = 0; p < n && out; ++p) {  // a failed write ends it: the caller reports it
    if (p > 0) {
      // The next cell: the first dimension moves fastest.
      for (size_t k = 0; k < dims.size() && ++index[k] > dims[k].Size; ++k) index[k] = 1;
    }
    const bool zero = ints ? values.IntAt(p) == 0 : values.Reals()[p] == 0.0f;
    if (nonZero && zero) continue;
    for (size_t k = 0; k < dims.size(); ++k) {
      if (names[k].empty()) {
        csv.IntField(index[k]);
      } else {
        csv.RawField(names[k][static_cast<size_t>(index[k])]);
      }
    }
    if (ints) {
      csv.IntField(values.IntAt(p));
    } else {
      csv.FloatField(values.Reals()[p]);
    }
    csv.EndRow();
  }
  return true;
}

}  // namespace modrask::harinfo
