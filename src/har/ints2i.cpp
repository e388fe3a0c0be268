// Integer matrices: column blocks of at most 7,000 values per record, each
// record naming the rows and columns it holds.
#include "modrask/har/ints2i.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "modrask/har/descriptor.h"
#include "modrask/har/headvalues.h"
#include "modrask/records/reccopy.h"
#include "modrask/records/recbuf.h"
#include "modrask/support/coding.h"
#include "modrask/support/memstat.h"
#include "modrask/support/message.h"

namespace modrask {
namespace {

// Structure of a matrix record: KREC, NRows, NCols, lo1, hi1, lo2, hi2.
constexpr int32_t StrucSiz2I = 28;
// Values per record the writer aims at.
constexpr int32_t ValuesPerRec2I = 7000;
// The most rows of one column that a readable record can hold.
constexpr int32_t MaxRowsPerRec2I = (MaxHarBuf - LenHead - StrucSiz2I) / 4;
static_assert(MaxRowsPerRec2I == 1999992);

struct TBlock2I {
  int32_t KREC, NRows, NCols, lo1, hi1, lo2, hi2;
};

// Rows r.. of column c of a read-only matrix, contiguous.
const int32_t* ColumnRun(const TArr4Block& a, int32_t r, int32_t c) {
  return a.Cells.data() + static_cast<size_t>(c) * (static_cast<size_t>(a.MaxRow) + 1) + r;
}

bool BlockInside(const TBlock2I& b, int32_t nRows, int32_t nCols) {
  return b.lo1 >= 1 && b.lo2 >= 1 && b.hi1 <= nRows && b.hi2 <= nCols && b.hi1 >= b.lo1 - 1 &&
         b.hi2 >= b.lo2 - 1;
}

bool SameBlock(const TBlock2I& a, const TBlock2I& b) {
  return a.KREC == b.KREC && a.NRows == b.NRows && a.NCols == b.NCols && a.lo1 == b.lo1 &&
         a.hi1 == b.hi1 && a.lo2 == b.lo2 && a.hi2 == b.hi2;
}

// The records our writer makes of an NRows x NCols matrix: one record
// without values when it is empty; else whole columns, up to 7,000 values
// (or one column) per record; else, when one column is longer than a
// readable record, each column in row blocks.
class T2IPlan {
 public:
  // False with "Too many 2I records: " n when KREC cannot count them.
  bool Make(int32_t nRows, int32_t nCols, std::string& msg) {
    nRows_ = nRows;
    nCols_ = nCols;
    if (nRows <= 0 || nCols <= 0) {
      records_ = 1;
    } else if (nRows > MaxRowsPerRec2I) {
      perCol_ = nRows / MaxRowsPerRec2I + (nRows % MaxRowsPerRec2I != 0 ? 1 : 0);
      const int64_t n = int64_t{perCol_} * nCols;
      if (n > INT32_MAX) return Fail(msg, "Too many 2I records: " + std::to_string(n));
      records_ = static_cast<int32_t>(n);
    } else {
      m_ = std::max(1, ValuesPerRec2I / nRows);
      records_ = nCols / m_ + (nCols % m_ != 0 ? 1 : 0);
    }
    return true;
  }

  int32_t Records() const { return records_; }
  // The most values one record holds.
  int64_t MaxValues() const {
    if (nRows_ <= 0 || nCols_ <= 0) return 0;
    return perCol_ > 0 ? int64_t{MaxRowsPerRec2I} : int64_t{nRows_} * m_;
  }

  // Record r, from 0.
  TBlock2I Block(int32_t r) const {
    const int32_t krec = records_ - r;
    if (nRows_ <= 0 || nCols_ <= 0) return {krec, nRows_, nCols_, 1, nRows_, 1, nCols_};
    if (perCol_ > 0) {
      const int32_t c = 1 + r / perCol_;
      const int32_t lo1 = 1 + (r % perCol_) * MaxRowsPerRec2I;
      return {krec, nRows_, nCols_, lo1, std::min(nRows_, lo1 + (MaxRowsPerRec2I - 1)), c, c};
    }
    const int32_t lo2 = static_cast<int32_t>(1 + int64_t{r} * m_);
    const int32_t hi2 = static_cast<int32_t>(std::min<int64_t>(int64_t{lo2} + m_ - 1, nCols_));
    return {krec, nRows_, nCols_, 1, nRows_, lo2, hi2};
  }

  // The values of a record's block: none in an empty matrix.
  int64_t Count(const TBlock2I& b) const {
    if (nRows_ <= 0 || nCols_ <= 0) return 0;
    return (int64_t{b.hi1} - b.lo1 + 1) * (int64_t{b.hi2} - b.lo2 + 1);
  }

 private:
  int32_t nRows_ = 0;
  int32_t nCols_ = 0;
  int32_t m_ = 1;       // columns per record
  int32_t perCol_ = 0;  // row blocks per column, when columns are split
  int32_t records_ = 1;
};

// Reads the matrix records: into IntData for Decode; for Check, whether
// they are the records of the writer's plan; for Skip, their shape only.
bool ReadMatrixRecords(TRecFile& f, THeaderRec& h, TFileFlavour flavour, TValueReading how,
                       bool& canonical, std::string& msg) {
  T2IPlan plan;
  std::string ignored;
  canonical = how == TValueReading::Check && plan.Make(h.NRows, h.NCols, ignored);
  for (int32_t r = 0;; ++r) {
    const uint8_t* struc = nullptr;
    const uint8_t* elms = nullptr;
    int32_t nElms = 0;
    int64_t elmsPos = 0;
    const bool got = how == TValueReading::Decode
                         ? GetRecBufInPlace(f, struc, StrucSiz2I, elms, nElms, 4, flavour, msg)
                         : GetRecBufStruc(f, struc, StrucSiz2I, elmsPos, nElms, 4, flavour, msg);
    if (!got) return false;
    int32_t fields[7];
    DecodeRun32(fields, struc, 7);
    const TBlock2I b{fields[0], fields[1], fields[2], fields[3], fields[4], fields[5], fields[6]};
    canonical = canonical && r < plan.Records() && SameBlock(b, plan.Block(r)) &&
                nElms == plan.Count(b) && std::memcmp(struc - LenHead, BlankHead, LenHead) == 0;
    if (!BlockInside(b, h.NRows, h.NCols)) {
      msg = "2I record block outside matrix: rows " + std::to_string(b.lo1) + ".." +
            std::to_string(b.hi1) + ", columns " + std::to_string(b.lo2) + ".." +
            std::to_string(b.hi2) + " of " + std::to_string(h.NRows) + " x " +
            std::to_string(h.NCols);
      return false;
    }
    const int64_t rows = int64_t{b.hi1} - b.lo1 + 1;
    const int64_t cols = int64_t{b.hi2} - b.lo2 + 1;
    if (rows * cols != nElms) return Fail(msg, "2I record wrong length");
    if (how == TValueReading::Decode && rows > 0) {
      for (int32_t c = b.lo2; c <= b.hi2; ++c) {
        DecodeRun32(h.IntData->Column(c, b.lo1), elms + 4 * rows * (c - b.lo2), rows);
      }
    }
    if (b.KREC == 1) return true;
  }
}

}  // namespace

bool Get2IData(TRecFile& f, THeaderRec* head, TFileFlavour flavour, std::string& msg) {
  return Get2IValues(f, head, flavour, TValueReading::Decode, msg);
}

bool Get2IValues(TRecFile& f, THeaderRec* head, TFileFlavour flavour, TValueReading how,
               std::string& msg) {
  msg.clear();  // an end of file assigns no text of its own
  if (NilPtrError(head, msg)) return Tagged(msg, "Get2IData");
  THeaderRec& h = *head;
  if (NonNilPtrError(h.IntData, msg)) return Tagged(msg, "Get2IData");
  if (h.NRows < 0 || h.NCols < 0) {
    msg = "Negative 2I matrix size " + std::to_string(h.NRows) + " x " + std::to_string(h.NCols);
    return Tagged(msg, "Get2IData");
  }
  // A few bytes of descriptor may declare a matrix beyond the machine; refuse
  // it by its size before building it, as the real arrays are refused.
  const int64_t cells = (int64_t{h.NRows} + 1) * (int64_t{h.NCols} + 1);
  if (cells > AvailMemKB() * (1024 / 4)) {
    msg = "Not enough memory for array size " + std::to_string(h.NRows) + " rows and " +
          std::to_string(h.NCols) + " columns";
    return Tagged(msg, "Get2IData");
  }
  const bool decode = how == TValueReading::Decode;
  if (decode ? !AllocArr4(h.IntData, h.NRows, h.NCols, msg) : !CheckArr4(h.NRows, h.NCols, msg))
    return Tagged(msg, "Get2IData");
  const int64_t begin = f.Position();
  bool canonical = false;
  if (!ReadMatrixRecords(f, h, flavour, how, canonical, msg)) {
    FreeArr4(h.IntData, h.NRows, h.NCols, TUnwantedMsg());
    return Tagged(msg, "Get2IData");
  }
  if (!decode) {
    h.Values.Begin = begin;
    h.Values.End = f.Position();
    h.Values.Canonical = canonical;
  }
  return true;
}

namespace {

bool WriteBlock(TRecFile& f, const TBlock2I& b, const uint8_t* values, int64_t nValues,
                TFileFlavour flavour, std::string& msg) {
  uint8_t struc[StrucSiz2I];
  const int32_t fields[7] = {b.KREC, b.NRows, b.NCols, b.lo1, b.hi1, b.lo2, b.hi2};
  EncodeRun32(struc, fields, 7);
  return WriteRecBuf(f, struc, StrucSiz2I, values, nValues, 4, flavour, msg);
}

// The matrix in the records of the writer's plan.
bool WriteMatrixRecords(TRecFile& f, const THeaderRec& h, TFileFlavour flavour,
                        std::string& msg) {
  T2IPlan plan;
  if (!plan.Make(h.NRows, h.NCols, msg)) return false;
  TBlock buf;
  if (!SafeGetMem(buf, plan.MaxValues() * 4, msg)) return false;
  for (int32_t r = 0; r < plan.Records(); ++r) {
    const TBlock2I b = plan.Block(r);
    const int64_t n = plan.Count(b);
    if (n > 0) {
      uint8_t* p = buf.get();
      const int32_t rows = b.hi1 - b.lo1 + 1;
      for (int32_t c = b.lo2; c <= b.hi2; ++c, p += 4 * int64_t{rows}) {
        EncodeRun32(p, ColumnRun(*h.IntData, b.lo1, c), rows);
      }
    }
    if (!WriteBlock(f, b, buf.get(), n, flavour, msg)) return false;
  }
  return true;
}

}  // namespace

bool Write2IData(TRecFile& f, THeaderRec* head, TFileFlavour flavour, std::string& msg) {
  if (NilPtrError(head, msg)) return Tagged(msg, "Write2IData");
  const THeaderRec& h = *head;
  if (h.HeadType != "2I") return Tagged(msg = "Not a 2I Header", "Write2IData");
  const TValuePlace& place = h.Values;
  const bool inFile = place.InFile() && !place.Loaded;
  if (inFile && !place.Canonical) {
    // Decoded, written from memory and released again.
    if (!ReadHeaderValues(head, msg)) return Tagged(msg, "Write2IData");
    const bool ok = Write2IData(f, head, flavour, msg);
    ReleaseHeaderValues(head);
    return ok;
  }
  const bool empty = h.NRows <= 0 || h.NCols <= 0;
  if (!inFile && !empty &&
      (h.IntData == nullptr || h.IntData->MaxRow < h.NRows || h.IntData->MaxCol < h.NCols)) {
    return Tagged(msg = "IntData does not hold NRows x NCols values", "Write2IData");
  }
  std::string name = h.Name.substr(0, HeadNameLen);
  name.resize(HeadNameLen, ' ');
  if (!WriteLaheyRec(f, name.data(), HeadNameLen, flavour, msg)) return Tagged(msg, "Write2IData");
  const TDescInts ints{0, 2, h.NRows, h.NCols};
  if (!WriteDesc(f, h.HeadType, h.StorageMethod, h.LongName, ints, 3, flavour, msg)) {
    return Tagged(msg, "Write2IData");
  }
  const bool ok = inFile ? CopyRecords(f, flavour, *place.File, place.Flavour, place.Begin,
                                       place.End, msg)
                         : WriteMatrixRecords(f, h, flavour, msg);
  if (!ok) return Tagged(msg, "Write2IData");
  return true;
}

}  // namespace modrask
