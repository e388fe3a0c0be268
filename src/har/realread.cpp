// Reading real values: FULL chunks and SPSE entries into HeadMat, and "2R"
// matrices into a TMat2 that HeadMat then adopts.
#include "modrask/har/realread.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "modrask/har/realplan.h"
#include "modrask/records/recbuf.h"
#include "modrask/support/coding.h"

namespace modrask {

namespace {

constexpr int32_t DimRecStruc = 36;     // KREC, 7, D1..D7
constexpr int32_t LimitsRecStruc = 60;  // KREC, lo1, hi1, ..., lo7, hi7
constexpr int32_t ValuesRecStruc = 4;   // KREC
constexpr int32_t CountRecStruc = 12;   // NNZ, 4, 4
constexpr int32_t EntryRecStruc = 12;   // KREC, TOTAL, Nhere
constexpr int32_t Mat2RecStruc = 28;    // KREC, NRows, NCols, lo1, hi1, lo2, hi2

bool FailTag(std::string& msg, std::string_view text, std::string_view tag) {
  Fail(msg, text);
  return Tagged(msg, tag);
}

// Size of dimension k (descriptor order) of a header held in slot order.
int32_t DimSize(const TDims7& dims, int k) {
  return dims[8 - k];
}

bool CheckNonNegative(const TDims7& dims, std::string& msg) {
  for (int i = 1; i <= 7; ++i)
    if (dims[i] < 0) return Fail(msg, "Dimension < 0");
  return true;
}

// Number of values of the array; 0 when any size is 0, so that large sizes
// elsewhere never overflow the product. Only called once the array exists.
int64_t ValueCount(const TDims7& dims) {
  int64_t n = 1;
  for (int i = 1; i <= 7; ++i) {
    if (dims[i] == 0) return 0;
  }
  for (int i = 1; i <= 7; ++i) n *= dims[i];
  return n;
}

// True when the array holds a value for every subscript of its sizes.
bool HoldsAll(const TMat7& mat) {
  const int64_t n = ValueCount(mat.Dims);
  return n == 0 || (mat.Root != nullptr && static_cast<int64_t>(mat.Root->size()) == n);
}

// A block range lo..hi of one dimension of size `size`: lo >= 1, hi <= size,
// and hi >= lo - 1 (an empty range).
bool RangeInside(int32_t lo, int32_t hi, int32_t size) {
  return lo >= 1 && hi <= size && static_cast<int64_t>(hi) >= static_cast<int64_t>(lo) - 1;
}

std::string BlockText(const char* what, int k, int32_t lo, int32_t hi, int32_t size) {
  return std::string(what) + " block outside array: dimension " + std::to_string(k) + " from " +
         std::to_string(lo) + " to " + std::to_string(hi) + ", size " + std::to_string(size);
}

// Product of the range lengths, or -1 when it exceeds what a record can hold.
int64_t BlockCount(const int64_t* len, int n) {
  int64_t count = 1;
  for (int k = 0; k < n; ++k)
    if (len[k] == 0) return 0;
  for (int k = 0; k < n; ++k) {
    count *= len[k];
    if (count > MaxHarBuf) return -1;
  }
  return count;
}

// Copies one FULL chunk: runs of the first dimension, each one block move.
void CopyChunk(float* base, const TDims7& dims, const std::array<int32_t, 8>& lo,
               const std::array<int32_t, 8>& hi, const uint8_t* src, int64_t count, bool keep) {
  std::array<int64_t, 8> stride{};  // by dimension k
  stride[1] = 1;
  for (int k = 2; k <= 7; ++k) stride[k] = stride[k - 1] * DimSize(dims, k - 1);
  const int64_t run = static_cast<int64_t>(hi[1]) - lo[1] + 1;
  std::array<int32_t, 8> idx = lo;
  int64_t off = 0;
  for (int k = 1; k <= 7; ++k) off += (static_cast<int64_t>(lo[k]) - 1) * stride[k];
  for (int64_t done = 0; done < count; done += run) {
    float* dst = base + off;
    DecodeRealRun(dst, src, run, keep);
    src += run * 4;
    for (int k = 2; k <= 7; ++k) {
      if (idx[k] < hi[k]) {
        ++idx[k];
        off += stride[k];
        break;
      }
      off -= (static_cast<int64_t>(hi[k]) - lo[k]) * stride[k];
      idx[k] = lo[k];
    }
  }
}

// Where the block lo..hi lies in the array at base when its values are one
// run there (every dimension below the highest that the block spans is
// whole), on hosts that store values as the file does; else null.
float* RunPlace(float* base, const TDims7& dims, const std::array<int32_t, 8>& lo,
                const std::array<int32_t, 8>& hi) {
  if constexpr (!kHostIsLittleEndian) return nullptr;
  int top = 1;
  for (int k = 1; k <= 7; ++k) {
    if (hi[k] > lo[k]) top = k;
  }
  int64_t off = 0;
  int64_t stride = 1;
  for (int k = 1; k <= 7; ++k) {
    if (k < top && (lo[k] != 1 || hi[k] != DimSize(dims, k))) return nullptr;
    off += (static_cast<int64_t>(lo[k]) - 1) * stride;
    stride *= DimSize(dims, k);
  }
  return base + off;
}

// Four blanks open every record-buffer record our writer makes.
bool HeadIsBlank(const uint8_t* struc) {
  return std::memcmp(struc - LenHead, BlankHead, LenHead) == 0;
}

// Follows the FULL records of a header, as they are read, against the
// records our writer would make of them: the dimension record, then limits
// and values records of the writer's chunks, KREC counting down. Once a
// record differs, the header is not canonical and no later record is
// looked at.
class TFullCheck {
 public:
  explicit TFullCheck(bool active) : canonical_(active) {}

  void Dimension(const uint8_t* struc, int32_t nElms, const TDims7& d) {
    std::string ignored;
    if (!canonical_ || !plan_.Make(d, ignored)) return Drop();
    krec_ = plan_.DimensionKrec();
    std::array<int32_t, 9> want{krec_, 7};
    for (int k = 1; k <= 7; ++k) want[static_cast<size_t>(k + 1)] = d[k];
    if (!HeadIsBlank(struc) || nElms != 0 || !Equal(struc, want.data(), 9)) return Drop();
    --krec_;
    plan_.Start(chunk_);
  }

  void Limits(const uint8_t* struc, int32_t nElms) {
    if (!canonical_) return;
    std::array<int32_t, 15> want{krec_};
    const std::array<int32_t, 14> ranges = plan_.Limits(chunk_);
    std::copy(ranges.begin(), ranges.end(), want.begin() + 1);
    if (!HeadIsBlank(struc) || nElms != 0 || !Equal(struc, want.data(), 15)) return Drop();
    --krec_;
  }

  // A values record of nElms values; their worth is counted later, by the
  // writer that copies them.
  void Values(const uint8_t* struc, int32_t nElms) {
    if (!canonical_) return;
    if (!HeadIsBlank(struc) || DecodeInt32(struc) != krec_ || nElms != plan_.Count(chunk_))
      return Drop();
    if (--krec_ > 0 && !plan_.Advance(chunk_)) Drop();
  }

  bool Canonical() const { return canonical_ && krec_ == 0; }

 private:
  void Drop() { canonical_ = false; }
  static bool Equal(const uint8_t* struc, const int32_t* want, int n) {
    for (int i = 0; i < n; ++i)
      if (DecodeInt32(struc + 4 * i) != want[i]) return false;
    return true;
  }

  bool canonical_;
  TFullPlan plan_;
  TFullChunk chunk_;
  int32_t krec_ = 0;
};

// Records where the values of a header that stay in the file lie.
void KeepPlace(THeaderRec& head, int64_t begin, const TRecFile& f, bool sparse, bool canonical,
               int64_t nnz) {
  head.Values.Begin = begin;
  head.Values.Sparse = sparse;
  head.Values.End = f.Position();
  head.Values.Canonical = canonical;
  head.Values.NNZ = nnz;
}

// The sizes in descriptor order: d[k] is dimension k, held in slot 8-k.
TDims7 DescOrder(const TDims7& dims) {
  TDims7 d{};
  for (int k = 1; k <= 7; ++k) d[k] = dims[8 - k];
  return d;
}

// Builds the array for Decode; for the other readings makes the same
// refusals without building it.
bool PrepareArray(THeaderRec& head, TValueReading how, std::string& msg) {
  if (how == TValueReading::Decode) return AllocMat7(head.HeadMat, head.Dims, msg);
  FreeMat7(head.HeadMat, TUnwantedMsg());
  return CheckMat7(head.Dims, msg);
}

}  // namespace

bool GetRLData(TRecFile& f, THeaderRec* head, TFileFlavour flavour, std::string& msg) {
  return GetRLValues(f, head, flavour, TValueReading::Decode, msg);
}

bool GetRLValues(TRecFile& f, THeaderRec* head, TFileFlavour flavour, TValueReading how,
               std::string& msg) {
  if (NilPtrError(head, msg)) return Tagged(msg, "GetRLData");
  if (!CheckNonNegative(head->Dims, msg)) return Tagged(msg, "GetRLData");
  const bool decode = how == TValueReading::Decode;
  const int64_t begin = f.Position();
  const uint8_t* struc = nullptr;
  const uint8_t* elms = nullptr;
  int32_t nElms = 0;
  int64_t elmsPos = 0;
  if (!GetRecBuf(f, struc, DimRecStruc, elms, nElms, 1, flavour, msg))
    return Tagged(msg, "GetRLData");
  TFullCheck check(how == TValueReading::Check);
  check.Dimension(struc, nElms, DescOrder(head->Dims));
  if (!PrepareArray(*head, how, msg)) return Tagged(msg, "GetRLData");
  TMat7& mat = head->HeadMat;
  const TDims7& dims = head->Dims;
  for (;;) {
    if (!GetRecBuf(f, struc, LimitsRecStruc, elms, nElms, 1, flavour, msg))
      return Tagged(msg, "GetRLData");
    check.Limits(struc, nElms);
    std::array<int32_t, 8> lo{};
    std::array<int32_t, 8> hi{};
    std::array<int64_t, 8> len{};
    for (int k = 1; k <= 7; ++k) {
      lo[k] = DecodeInt32(struc + 4 + 8 * (k - 1));
      hi[k] = DecodeInt32(struc + 8 + 8 * (k - 1));
      if (!RangeInside(lo[k], hi[k], DimSize(dims, k)))
        return FailTag(msg, BlockText("RL", k, lo[k], hi[k], DimSize(dims, k)), "GetRLData");
      len[k] = static_cast<int64_t>(hi[k]) - lo[k] + 1;
    }
    const int64_t count = BlockCount(&len[1], 7);
    // A block that is one run of the array's values is read straight into
    // its place; any other is copied there from the record.
    float* run = decode && count > 0 && HoldsAll(mat) ? RunPlace(mat.Root->data(), dims, lo, hi)
                                                      : nullptr;
    bool into = false;
    bool got = false;
    if (run != nullptr && count <= INT32_MAX) {
      got = GetRecBufInto(f, struc, ValuesRecStruc, run, static_cast<int32_t>(count), into, elms,
                          nElms, 4, flavour, msg);
    } else if (decode) {
      got = GetRecBufInPlace(f, struc, ValuesRecStruc, elms, nElms, 4, flavour, msg);
    } else {
      got = GetRecBufStruc(f, struc, ValuesRecStruc, elmsPos, nElms, 4, flavour, msg);
    }
    if (!got) return Tagged(msg, "GetRLData");
    const int32_t krec = DecodeInt32(struc);
    if (count != nElms) return FailTag(msg, "RL record wrong length", "GetRLData");
    if (into) {
      MarkNonFiniteRun(run, count, f.Reading.KeepNonFinite);
    } else if (decode && count > 0) {
      // A non-empty block lies inside sizes of at least 1, so the array exists.
      if (!HoldsAll(mat)) return FailTag(msg, "Unexpected Nil Pointer", "GetRLData");
      CopyChunk(mat.Root->data(), dims, lo, hi, elms, count, f.Reading.KeepNonFinite);
    }
    check.Values(struc, nElms);
    if (krec == 1) break;
  }
  if (!decode) KeepPlace(*head, begin, f, false, check.Canonical(), -1);
  return true;
}

bool GetRLSparseData(TRecFile& f, THeaderRec* head, TFileFlavour flavour, std::string& msg) {
  return GetRLSparseValues(f, head, flavour, TValueReading::Decode, msg);
}

bool GetRLSparseValues(TRecFile& f, THeaderRec* head, TFileFlavour flavour, TValueReading how,
                     std::string& msg) {
  if (NilPtrError(head, msg)) return Tagged(msg, "GetRLSparseData");
  if (!CheckNonNegative(head->Dims, msg)) return Tagged(msg, "GetRLSparseData");
  const bool decode = how == TValueReading::Decode;
  const int64_t begin = f.Position();
  const uint8_t* struc = nullptr;
  const uint8_t* elms = nullptr;
  int32_t nElms = 0;
  int64_t elmsPos = 0;
  if (!GetRecBuf(f, struc, CountRecStruc, elms, nElms, 1, flavour, msg))
    return Tagged(msg, "GetRLSparseData");
  const int32_t nnz = DecodeInt32(struc);
  const int32_t intSize = DecodeInt32(struc + 4);
  const int32_t realSize = DecodeInt32(struc + 8);
  if (intSize != 4 || realSize != 4)
    return FailTag(msg,
                   "Expected 4 byte integer and reals: found " + std::to_string(intSize) + "  " +
                       std::to_string(realSize),
                   "GetRLSparseData");
  // Canonical: the count record, then blocks of 2,333 entries in increasing
  // position, none of them zero or non-finite, KREC counting down.
  bool canonical = how == TValueReading::Check && nnz >= 0 && HeadIsBlank(struc) &&
                   nElms == SparseBlankCount &&
                   std::all_of(elms, elms + nElms, [](uint8_t c) { return c == ' '; });
  if (!PrepareArray(*head, how, msg)) return Tagged(msg, "GetRLSparseData");
  TMat7& mat = head->HeadMat;
  // Positions are 1-based linear indexes in Fortran order, which is exactly
  // the order of the values in HeadMat: position p is value p - 1.
  const int64_t n = ValueCount(head->Dims);
  if (decode && n > 0 && !HoldsAll(mat))
    return FailTag(msg, "Unexpected Nil Pointer", "GetRLSparseData");
  float* values = decode && n > 0 ? mat.Root->data() : nullptr;
  const bool keep = f.Reading.KeepNonFinite;
  int64_t nRead = 0;
  int32_t block = 0;
  int32_t lastPos = 0;
  for (;;) {
    int32_t nItems = 0;
    const bool got =
        how == TValueReading::Skip
            ? GetRecBufStruc(f, struc, EntryRecStruc, elmsPos, nItems, 4, flavour, msg)
            : GetRecBufInPlace(f, struc, EntryRecStruc, elms, nItems, 4, flavour, msg);
    if (!got) return Tagged(msg, "GetRLSparseData");
    const int32_t krec = DecodeInt32(struc);
    const int32_t total = DecodeInt32(struc + 4);
    const int32_t nHere = DecodeInt32(struc + 8);
    if (nItems / 2 != nHere)
      return FailTag(msg,
                     "Nhere(" + std::to_string(nHere) + ") <>(Extra(" + std::to_string(nItems) +
                         ") div 2) at KREC=" + std::to_string(krec),
                     "GetRLSparseData");
    if (total != nnz) return FailTag(msg, "TOTAL <> NNZ", "GetRLSparseData");
    canonical = canonical && HeadIsBlank(struc) && nItems == 2 * nHere &&
                krec == SparseBlockCount(nnz) - block && nHere == SparseEntriesIn(block, nnz);
    const uint8_t* pos = elms;
    const uint8_t* val = elms + 4 * static_cast<int64_t>(nHere);
    for (int32_t e = 0; how != TValueReading::Skip && e < nHere; ++e) {
      const int32_t p = DecodeInt32(pos + 4 * e);
      if (p < 1 || p > n)
        return FailTag(msg,
                       "SPSE position " + std::to_string(p) + " outside 1.." + std::to_string(n) +
                           " at KREC=" + std::to_string(krec),
                       "GetRLSparseData");
      const uint32_t bits = DecodeFixed32(val + 4 * e);
      if (decode) {
        float v = DecodeFloat(val + 4 * e);
        if (!keep) FixNonFinite(v);
        values[p - 1] = v;
      }
      // Finite and not zero: a magnitude in 1..0x7F7FFFFF.
      canonical = canonical && p > lastPos && ((bits & 0x7FFFFFFFu) - 1u) < 0x7F7FFFFFu;
      lastPos = p;
    }
    nRead += nHere;
    ++block;
    if (krec == 1) {
      if (nRead != nnz)
        return FailTag(msg,
                       "NRead(" + std::to_string(nRead) + ") <> NNZ(" + std::to_string(nnz) + ")",
                       "GetRLSparseData");
      break;
    }
  }
  if (!decode) KeepPlace(*head, begin, f, true, canonical, nnz);
  return true;
}

namespace {

// Reads the 2R records into m, a matrix of nCols vectors of nRows values.
bool Read2RRecords(TRecFile& f, int32_t nRows, int32_t nCols, float* cells, TFileFlavour flavour,
                   std::string& msg) {
  const bool keep = f.Reading.KeepNonFinite;
  for (;;) {
    const uint8_t* struc = nullptr;
    const uint8_t* elms = nullptr;
    int32_t nElms = 0;
    if (!GetRecBuf(f, struc, Mat2RecStruc, elms, nElms, 4, flavour, msg)) return false;
    const int32_t krec = DecodeInt32(struc);
    const int32_t lo1 = DecodeInt32(struc + 12);
    const int32_t hi1 = DecodeInt32(struc + 16);
    const int32_t lo2 = DecodeInt32(struc + 20);
    const int32_t hi2 = DecodeInt32(struc + 24);
    if (!RangeInside(lo1, hi1, nRows)) return Fail(msg, BlockText("2R", 1, lo1, hi1, nRows));
    if (!RangeInside(lo2, hi2, nCols)) return Fail(msg, BlockText("2R", 2, lo2, hi2, nCols));
    const int64_t len[2] = {static_cast<int64_t>(hi1) - lo1 + 1,
                            static_cast<int64_t>(hi2) - lo2 + 1};
    const int64_t count = BlockCount(len, 2);
    if (count != nElms) return Fail(msg, "2R record wrong length");
    if (count > 0) {
      for (int32_t c = lo2; c <= hi2; ++c) {
        float* dst = cells + (static_cast<int64_t>(c) - 1) * nRows + (lo1 - 1);
        DecodeRealRun(dst, elms, len[0], keep);
        elms += len[0] * 4;
      }
    }
    if (krec == 1) return true;
  }
}

}  // namespace

bool Get2RData(TRecFile& f, THeaderRec* head, TMat2& m, TFileFlavour flavour, std::string& msg) {
  if (NilPtrError(head, msg)) return Tagged(msg, "Get2RData");
  m.reset();
  const int32_t nRows = head->NRows;
  const int32_t nCols = head->NCols;
  if (nRows < 0 || nCols < 0)
    return FailTag(
        msg,
        "Dimension < 0: " + std::to_string(nRows) + " rows, " + std::to_string(nCols) + " columns",
        "Get2RData");
  if (!AllocMat2(m, nCols, nRows, msg)) {
    FreeMat2(m, nCols, nRows, TUnwantedMsg());
    return Tagged(msg, "Get2RData");
  }
  const int64_t cells = static_cast<int64_t>(nRows) * nCols;
  if (cells > 0 && (m == nullptr || static_cast<int64_t>(m->size()) < cells)) {
    FreeMat2(m, nCols, nRows, TUnwantedMsg());
    return FailTag(msg, "Unexpected Nil Pointer", "Get2RData");
  }
  if (!Read2RRecords(f, nRows, nCols, cells > 0 ? m->data() : nullptr, flavour, msg)) {
    FreeMat2(m, nCols, nRows, TUnwantedMsg());
    return Tagged(msg, "Get2RData");
  }
  return true;
}

bool Turn2RtoRL(THeaderRec* head, TMat2& m, std::string& msg) {
  if (NilPtrError(head, msg)) return Tagged(msg, "Turn2RtoRL");
  const int32_t nRows = head->NRows;
  const int32_t nCols = head->NCols;
  if (nRows < 0 || nCols < 0) return FailTag(msg, "Dimension < 0", "Turn2RtoRL");
  const int64_t cells = static_cast<int64_t>(nRows) * nCols;
  if (cells > 0 && (m == nullptr || static_cast<int64_t>(m->size()) != cells))
    return FailTag(msg, "Unexpected Nil Pointer", "Turn2RtoRL");
  TDims7 dims{};
  for (int i = 1; i <= 7; ++i) dims[i] = 1;
  // Column vectors of nRows values laid end to end are the array in file
  // order: the matrix becomes the array's values as it is, without a copy.
  // One row gives a one-dimensional array of nCols values, any other number
  // of rows (0 included) a rows x cols array.
  if (nRows == 1) {
    dims[7] = nCols;
  } else {
    dims[7] = nRows;
    dims[6] = nCols;
  }
  if (m == nullptr && !CheckedAlloc([&] { m = std::make_unique<TValues>(); }, msg))
    return Tagged(msg, "Turn2RtoRL");
  FreeMat7(head->HeadMat, TUnwantedMsg());
  head->Dims = dims;
  head->OrigNDim = (nRows != 1 && nCols != 1) ? 2 : 1;
  head->HeadMat.Dims = dims;
  head->HeadMat.Root = std::move(m);
  head->HeadType = "RL";
  return true;
}

}  // namespace modrask
