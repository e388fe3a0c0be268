// Integer matrices: column blocks of at most 7,000 values per record, each
// record naming the rows and columns it holds.
#include "har/ints2i.h"

#include <algorithm>
#include <cstdint>

#include "har/descriptor.h"
#include "records/recbuf.h"
#include "support/coding.h"
#include "support/memstat.h"
#include "support/message.h"

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

bool ReadMatrixRecords(TRecFile& f, THeaderRec& h, TFileFlavour flavour, std::string& msg) {
  for (;;) {
    const uint8_t* struc = nullptr;
    const uint8_t* elms = nullptr;
    int32_t nElms = 0;
    if (!GetRecBuf(f, struc, StrucSiz2I, elms, nElms, 4, flavour, msg)) return false;
    int32_t fields[7];
    DecodeRun32(fields, struc, 7);
    const TBlock2I b{fields[0], fields[1], fields[2], fields[3], fields[4], fields[5], fields[6]};
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
    if (rows > 0) {
      for (int32_t c = b.lo2; c <= b.hi2; ++c) {
        DecodeRun32(h.IntData->Column(c, b.lo1), elms + 4 * rows * (c - b.lo2), rows);
      }
    }
    if (b.KREC == 1) return true;
  }
}

}  // namespace

bool Get2IData(TRecFile& f, THeaderRec* head, TFileFlavour flavour, std::string& msg) {
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
  if (!AllocArr4(h.IntData, h.NRows, h.NCols, msg)) return Tagged(msg, "Get2IData");
  if (!ReadMatrixRecords(f, h, flavour, msg)) {
    FreeArr4(h.IntData, h.NRows, h.NCols, DummyMsg);
    return Tagged(msg, "Get2IData");
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

// Whole columns, up to 7,000 values (or one column) per record.
bool WriteColumnBlocks(TRecFile& f, const THeaderRec& h, TFileFlavour flavour, std::string& msg) {
  const int32_t m = std::max(1, ValuesPerRec2I / h.NRows);
  TBlock buf;
  if (!SafeGetMem(buf, int64_t{h.NRows} * m * 4, msg)) return false;
  int32_t nRec = h.NCols / m + (h.NCols % m != 0 ? 1 : 0);
  int32_t lo2 = 1;
  const TArr4Block& a = *h.IntData;
  while (nRec > 0) {
    const int32_t hi2 = static_cast<int32_t>(std::min<int64_t>(int64_t{lo2} + m - 1, h.NCols));
    uint8_t* p = buf.get();
    for (int32_t c = lo2; c <= hi2; ++c, p += 4 * int64_t{h.NRows}) {
      EncodeRun32(p, ColumnRun(a, 1, c), h.NRows);
    }
    const TBlock2I b{nRec, h.NRows, h.NCols, 1, h.NRows, lo2, hi2};
    if (!WriteBlock(f, b, buf.get(), int64_t{h.NRows} * (hi2 - lo2 + 1), flavour, msg))
      return false;
    --nRec;
    lo2 = hi2 + 1;
  }
  return true;
}

// Columns too long for one readable record: each split into row blocks.
bool WriteRowBlocks(TRecFile& f, const THeaderRec& h, TFileFlavour flavour, std::string& msg) {
  const int32_t perCol = h.NRows / MaxRowsPerRec2I + (h.NRows % MaxRowsPerRec2I != 0 ? 1 : 0);
  const int64_t nRecs = int64_t{perCol} * h.NCols;
  if (nRecs > INT32_MAX) return Fail(msg, "Too many 2I records: " + std::to_string(nRecs));
  int32_t nRec = static_cast<int32_t>(nRecs);
  TBlock buf;
  if (!SafeGetMem(buf, int64_t{MaxRowsPerRec2I} * 4, msg)) return false;
  const TArr4Block& a = *h.IntData;
  for (int32_t c = 1; c <= h.NCols; ++c) {
    for (int32_t lo1 = 1; lo1 <= h.NRows; lo1 += MaxRowsPerRec2I) {
      const int32_t hi1 = std::min(h.NRows, lo1 + (MaxRowsPerRec2I - 1));
      EncodeRun32(buf.get(), ColumnRun(a, lo1, c), hi1 - lo1 + 1);
      const TBlock2I b{nRec, h.NRows, h.NCols, lo1, hi1, c, c};
      if (!WriteBlock(f, b, buf.get(), hi1 - lo1 + 1, flavour, msg)) return false;
      --nRec;
      if (hi1 == h.NRows) break;
    }
  }
  return true;
}

}  // namespace

bool Write2IData(TRecFile& f, THeaderRec* head, TFileFlavour flavour, std::string& msg) {
  if (NilPtrError(head, msg)) return Tagged(msg, "Write2IData");
  const THeaderRec& h = *head;
  if (h.HeadType != "2I") return Tagged(msg = "Not a 2I Header", "Write2IData");
  const bool empty = h.NRows <= 0 || h.NCols <= 0;
  if (!empty &&
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
  bool ok;
  if (empty) {
    ok = WriteBlock(f, TBlock2I{1, h.NRows, h.NCols, 1, h.NRows, 1, h.NCols}, nullptr, 0, flavour,
                    msg);
  } else if (h.NRows > MaxRowsPerRec2I) {
    ok = WriteRowBlocks(f, h, flavour, msg);
  } else {
    ok = WriteColumnBlocks(f, h, flavour, msg);
  }
  if (!ok) return Tagged(msg, "Write2IData");
  return true;
}

}  // namespace modrask
