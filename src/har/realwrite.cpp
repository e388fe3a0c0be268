#include "modrask/har/realwrite.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstring>
#include <limits>

#include "modrask/har/descriptor.h"
#include "modrask/har/headvalues.h"
#include "modrask/har/realplan.h"
#include "modrask/har/realread.h"
#include "modrask/har/relabels.h"
#include "modrask/records/reccopy.h"
#include "modrask/records/recbuf.h"
#include "modrask/support/coding.h"
#include "modrask/support/message.h"
#include "modrask/support/mhUtil.h"
#include "modrask/support/mystrucs.h"

namespace modrask {

int32_t UserSparseThreshold() {
  return ReadRegBool("UseSparse", true) ? 60 : 100;
}

namespace {

constexpr int64_t WorkBufBytes = 28000;  // one working buffer per header
static_assert(MaxFullValues * 4 == WorkBufBytes);
static_assert(2 * SparseBlock * 4 <= WorkBufBytes);

constexpr int64_t MaxInt32 = std::numeric_limits<int32_t>::max();

// The sizes in descriptor order: d[k] is dimension k, held in slot 8-k.
TDims7 DescSizes(const THeaderRec& head) {
  TDims7 d{};
  for (int k = 1; k <= 7; ++k) d[k] = head.Dims[8 - k];
  return d;
}

// Product of the header's sizes, or -1 when a size is negative or the
// product overflows.
int64_t SizeProduct(const TDims7& dims) {
  for (int i = 1; i <= 7; ++i)
    if (dims[i] < 0) return -1;
  int64_t n = 1;
  for (int i = 1; i <= 7; ++i)
    if (__builtin_mul_overflow(n, int64_t{dims[i]}, &n)) return -1;
  return n;
}

// Values that reading left in the file and nobody has brought into memory.
bool ValuesInFile(const THeaderRec& head) {
  return head.Values.InFile() && !head.Values.Loaded;
}

// An array with a size of 0 may have no value block at all; it is written
// as an empty array.
bool EmptyWithoutRoot(const THeaderRec& head) {
  return head.HeadMat.Root == nullptr && SizeProduct(head.Dims) == 0;
}

// The value block must hold exactly the values the header's sizes describe,
// or the visits below would run past it.
bool CheckValueCount(const THeaderRec& head, std::string& msg) {
  if (EmptyWithoutRoot(head)) return true;
  const int64_t n = SizeProduct(head.Dims);
  if (head.HeadMat.Root == nullptr) return Fail(msg, "HeadMat.Root=nil");
  if (n < 0 || static_cast<int64_t>(head.HeadMat.Root->size()) != n)
    return Fail(msg, "HeadMat holds " + std::to_string(head.HeadMat.Root->size()) +
                         " values, sizes give " + std::to_string(n));
  return true;
}

// 100 x nnz / total rounded to the nearest integer, ties to even.
int64_t PercentNonZero(int64_t nnz, int64_t total) {
  const int64_t num = 100 * nnz;
  int64_t q = num / total;
  const int64_t twiceRest = 2 * (num % total);
  if (twiceRest > total || (twiceRest == total && q % 2 != 0)) ++q;
  return q;
}

// Writes one record-buffer record whose structure is `ints`, followed by n
// elements of `siz` bytes from `elms` (already in file order).
template <size_t N>
bool WriteIntsRec(TRecFile& f, const std::array<int32_t, N>& ints, const void* elms, int64_t n,
                  int32_t siz, TFileFlavour flavour, std::string& msg) {
  std::array<uint8_t, 4 * N> struc{};
  for (size_t i = 0; i < N; ++i) EncodeInt32(&struc[4 * i], ints[i]);
  return WriteRecBuf(f, struc.data(), static_cast<int32_t>(struc.size()), elms, n, siz, flavour,
                     msg);
}

template <size_t N>
bool WriteIntsRec(TRecFile& f, const std::array<int32_t, N>& ints, TFileFlavour flavour,
                  std::string& msg) {
  return WriteIntsRec(f, ints, nullptr, 0, 1, flavour, msg);
}

bool WriteDimensionRec(TRecFile& f, int32_t krec, const TDims7& d, TFileFlavour flavour,
                       std::string& msg) {
  std::array<int32_t, 9> ints{krec, 7};
  for (int k = 1; k <= 7; ++k) ints[1 + k] = d[k];
  return WriteIntsRec(f, ints, flavour, msg);
}

// Writes the limits record and the values record of one chunk whose n
// values are in buf; KREC counts down by one per record.
bool WriteIt(TRecFile& f, int32_t& krec, const TFullPlan& plan, const TFullChunk& c,
             const uint8_t* buf, int64_t n, TFileFlavour flavour, std::string& msg) {
  std::array<int32_t, 15> limits{krec};
  const std::array<int32_t, 14> ranges = plan.Limits(c);
  std::copy(ranges.begin(), ranges.end(), limits.begin() + 1);
  if (!WriteIntsRec(f, limits, flavour, msg)) return Tagged(msg, "WriteIt");
  --krec;
  if (!WriteIntsRec(f, std::array<int32_t, 1>{krec}, buf, n, 4, flavour, msg))
    return Tagged(msg, "WriteIt");
  --krec;
  return true;
}

// Writes the dimension record and every chunk; `values` may be null when the
// array has a size of 0 (one chunk of whole ranges and no values).
bool WriteFullChunks(TRecFile& f, const float* values, const TDims7& d, TFileFlavour flavour,
                     std::string& msg) {
  TFullPlan plan;
  if (!plan.Make(d, msg)) return false;
  int32_t krec = plan.DimensionKrec();
  if (!WriteDimensionRec(f, krec, d, flavour, msg)) return false;
  --krec;
  TBlock buf;
  if (!kHostIsLittleEndian && !SafeGetMem(buf, WorkBufBytes, msg)) return false;
  TFullChunk c;
  plan.Start(c);
  int64_t offset = 0;
  do {
    const int64_t n = plan.Count(c);
    // Where memory order is file order the values go out as they lie.
    const uint8_t* run = n > 0 ? reinterpret_cast<const uint8_t*>(values + offset) : nullptr;
    if constexpr (!kHostIsLittleEndian) {
      if (n > 0) EncodeRun32(buf.get(), values + offset, n);
      run = buf.get();
    }
    offset += n;
    if (!WriteIt(f, krec, plan, c, run, n, flavour, msg)) return false;
  } while (plan.Advance(c));
  assert(krec == 0);
  return true;
}

bool WriteSparseEntries(TRecFile& f, const TValues& values, int32_t nnz, TFileFlavour flavour,
                        std::string& msg) {
  TBlock buf;
  if (!SafeGetMem(buf, WorkBufBytes, msg)) return false;
  uint8_t* const positions = buf.get();
  uint8_t* const reals = buf.get() + 4 * SparseBlock;
  int32_t krec = SparseBlockCount(nnz);
  int32_t inBlock = 0;
  int64_t written = 0;  // entries in the records already written
  const auto fail = [&msg, nnz] {
    return Fail(msg, "NNZ(" + std::to_string(nnz) + ") differs from the non-zero values found");
  };
  const float* v = values.data();
  const auto count = static_cast<int64_t>(values.size());
  for (int64_t i = 0; i < count; ++i) {
    // Every cell is put in the next free slot and kept only when it is not
    // zero (-0.0 is zero), which spares a hard-to-predict branch per cell.
    uint32_t bits;
    std::memcpy(&bits, v + i, sizeof bits);
    EncodeInt32(positions + 4 * inBlock, static_cast<int32_t>(i + 1));
    EncodeFixed32(reals + 4 * inBlock, bits);
    inBlock += (bits << 1) != 0 ? 1 : 0;
    if (inBlock == SparseBlock) {
      written += SparseBlock;
      if (written > nnz) return fail();
      if (!WriteIntsRec(f, std::array<int32_t, 3>{krec, nnz, SparseBlock}, buf.get(),
                        2 * SparseBlock, 4, flavour, msg))
        return false;
      --krec;
      inBlock = 0;
    }
  }
  if (written + inBlock != nnz) return fail();
  if (inBlock > 0) {
    // The values follow the positions directly: one run of 2 x Nhere items.
    std::memmove(positions + 4 * inBlock, reals, 4 * static_cast<size_t>(inBlock));
    if (!WriteIntsRec(f, std::array<int32_t, 3>{krec, nnz, inBlock}, buf.get(),
                      2 * int64_t{inBlock}, 4, flavour, msg))
      return false;
    --krec;
  }
  assert(krec == 0);
  return true;
}

}  // namespace

bool ChooseSparse(int64_t nnz, int64_t nValues, int32_t threshold) {
  // Positions of sparse entries are 32-bit: larger arrays stay FULL.
  return threshold < 100 && nValues > 0 && nValues <= MaxInt32 &&
         100 - PercentNonZero(nnz, nValues) > threshold;
}

bool ValuesCopyable(const THeaderRec& head, int32_t threshold, const uint8_t*& run, int64_t& nnz) {
  run = nullptr;
  nnz = -1;
  const TValuePlace& place = head.Values;
  if (!place.InFile() || place.Loaded || !place.Canonical || !place.File->IsOpen()) return false;
  nnz = place.NNZ;
  if (!place.Sparse) {
    // The dimension record, then limits and values records by turns: the
    // values are counted as they arrive; one that is not finite stops it.
    nnz = 0;
    int64_t i = 0;
    const auto count = [&nnz, &i](const uint8_t* data, int32_t len) {
      const bool values = i > 0 && i % 2 == 0;
      ++i;
      if (!values) return true;
      return len >= 8 && (len - 8) % 4 == 0 && CountFiniteNonZeros(data + 8, (len - 8) / 4, nnz);
    };
    run = ReadRecordRun(*place.File, place.Begin, place.End, place.Flavour, count);
    if (run == nullptr) return false;
  }
  return ChooseSparse(nnz, std::max<int64_t>(SizeProduct(head.Dims), 0), threshold) == place.Sparse;
}

namespace {

// Values that ValuesCopyable accepts go to the output as they lie: only the
// header's name, descriptor and labels are made anew. `copied` false: they
// must be rebuilt instead.
bool WriteRLCopy(TRecFile& f, THeaderRec* head, TFileFlavour flavour, bool& copied,
                 std::string& msg) {
  const uint8_t* run = nullptr;
  int64_t nnz = 0;
  copied = ValuesCopyable(*head, f.Writing.SparseThreshold, run, nnz);
  if (!copied) return true;
  const TValuePlace& place = head->Values;
  TRecFile& src = *place.File;
  const int64_t nValues = std::max<int64_t>(SizeProduct(head->Dims), 0);
  head->StorageMethod = place.Sparse ? "SPSE" : "FULL";
  head->HeadMat.NNZ = nnz;
  head->HeadMat.NValues = nValues;
  // Writing the start touches only the output, so the run stays where it is.
  if (!WriteRealStart(f, head, flavour, msg)) return Tagged(msg, "WriteRLData");
  const bool ok = run != nullptr ? WriteRecordRun(f, flavour, run, place.End - place.Begin,
                                                  place.Flavour, src.Name(), msg)
                                 : CopyRecords(f, flavour, src, place.Flavour, place.Begin,
                                               place.End, msg);
  if (!ok) return Tagged(msg, "WriteRLData");
  return true;
}

}  // namespace

bool WriteRLData(TRecFile& f, THeaderRec* head, TFileFlavour flavour, std::string& msg) {
  if (NilPtrError(head, msg)) return Tagged(msg, "WriteRLData");
  if (ValuesInFile(*head)) {
    bool copied = false;
    if (!WriteRLCopy(f, head, flavour, copied, msg)) return false;
    if (copied) return true;
    // Any other header is decoded, written from memory and released again.
    if (!ReadHeaderValues(head, msg)) return Tagged(msg, "WriteRLData");
    const bool ok = WriteRLData(f, head, flavour, msg);
    ReleaseHeaderValues(head);
    return ok;
  }
  bool sparse = false;
  const int32_t threshold = f.Writing.SparseThreshold;
  if (threshold < 100) {
    TMat7& mat = head->HeadMat;
    if (EmptyWithoutRoot(*head)) {
      mat.NNZ = 0;
      mat.NValues = 0;
    } else if (!CountNonZeros(mat, msg)) {
      return Tagged(msg, "WriteRLData");
    }
    sparse = ChooseSparse(mat.NNZ, mat.NValues, threshold);
  }
  head->StorageMethod = sparse ? "SPSE" : "FULL";
  if (!WriteRealStart(f, head, flavour, msg)) return Tagged(msg, "WriteRLData");
  const bool ok =
      sparse ? WriteRealSparse(f, head, flavour, msg) : WriteRealFull(f, head, flavour, msg);
  if (!ok) return Tagged(msg, "WriteRLData");
  return true;
}

bool WriteRealStart(TRecFile& f, THeaderRec* head, TFileFlavour flavour, std::string& msg) {
  if (NilPtrError(head, msg)) return Tagged(msg, "WriteRealStart");
  if (head->HeadType != "RL" && head->HeadType != "RE") {
    msg = "Not an RL or RE Header";
    return Tagged(msg, "WriteRealStart");
  }
  if (!ValuesInFile(*head)) {
    if (head->HeadMat.Root == nullptr && !EmptyWithoutRoot(*head)) {
      msg = "HeadMat.Root=nil";
      return Tagged(msg, "WriteRealStart");
    }
    if (!CheckValueCount(*head, msg)) return Tagged(msg, "WriteRealStart");
  }

  std::string name = head->Name.substr(0, HeadNameLen);
  name.resize(HeadNameLen, ' ');
  if (!WriteLaheyRec(f, name.data(), HeadNameLen, flavour, msg))
    return Tagged(msg, "WriteRealStart");

  const TDims7 d = DescSizes(*head);
  TDescInts ints{};
  ints[1] = 7;
  for (int k = 1; k <= 7; ++k) ints[1 + k] = d[k];

  std::string rejection;  // why labels cannot be written; not reported
  const bool withLabels = head->HeadType == "RE" && ValidREDetails(head, rejection);
  if (withLabels && !CheckSetSizes(head, msg)) return Tagged(msg, "WriteRealStart");
  if (!WriteDesc(f, withLabels ? "RE" : "RL", head->StorageMethod, head->LongName, ints, 8, flavour,
                 msg))
    return Tagged(msg, "WriteRealStart");
  if (withLabels && !WriteOrgREData(f, head->REDetails, d, head->SetElements, flavour, msg))
    return Tagged(msg, "WriteRealStart");
  msg.clear();
  return true;
}

bool WriteRealFull(TRecFile& f, THeaderRec* head, TFileFlavour flavour, std::string& msg) {
  if (NilPtrError(head, msg)) return Tagged(msg, "WriteRealFull");
  if (head->StorageMethod != "FULL") {
    msg = "Unexpected Storage Method: \"" + head->StorageMethod + "\"";
    return Tagged(msg, "WriteRealFull");
  }
  if (!CheckValueCount(*head, msg)) return Tagged(msg, "WriteRealFull");
  const TDims7 d = DescSizes(*head);
  const float* values = SizeProduct(head->Dims) < 1 ? nullptr : head->HeadMat.Root->data();
  if (!WriteFullChunks(f, values, d, flavour, msg)) return Tagged(msg, "WriteRealFull");
  return true;
}

bool WriteRealSparse(TRecFile& f, THeaderRec* head, TFileFlavour flavour, std::string& msg) {
  if (NilPtrError(head, msg)) return Tagged(msg, "WriteRealSparse");
  if (head->StorageMethod != "SPSE") {
    msg = "Unexpected Storage Method: \"" + head->StorageMethod + "\"";
    return Tagged(msg, "WriteRealSparse");
  }
  if (!CheckValueCount(*head, msg)) return Tagged(msg, "WriteRealSparse");
  const int64_t nValues = SizeProduct(head->Dims);
  const int64_t nnz64 = head->HeadMat.NNZ;
  if (nValues > MaxInt32 || nnz64 < 0 || nnz64 > nValues) {
    msg = "NNZ(" + std::to_string(nnz64) + ") does not fit an array of " + std::to_string(nValues) +
          " values";
    return Tagged(msg, "WriteRealSparse");
  }
  const int32_t nnz = static_cast<int32_t>(nnz64);
  if (nnz == 0 && head->HeadMat.Root != nullptr &&
      std::any_of(head->HeadMat.Root->begin(), head->HeadMat.Root->end(),
                  [](float v) { return v != 0.0f; })) {
    msg = "NNZ(0) differs from the non-zero values found";
    return Tagged(msg, "WriteRealSparse");
  }

  std::array<uint8_t, 12> countStruc{};
  EncodeInt32(&countStruc[0], nnz);
  EncodeInt32(&countStruc[4], 4);
  EncodeInt32(&countStruc[8], 4);
  std::array<char, SparseBlankCount> blanks;
  blanks.fill(' ');
  if (!WriteRecBuf(f, countStruc.data(), 12, blanks.data(), SparseBlankCount, 1, flavour, msg))
    return Tagged(msg, "WriteRealSparse");
  if (nnz < 1) {
    if (!WriteIntsRec(f, std::array<int32_t, 3>{1, 0, 0}, flavour, msg))
      return Tagged(msg, "WriteRealSparse");
    return true;
  }
  if (!WriteSparseEntries(f, *head->HeadMat.Root, nnz, flavour, msg))
    return Tagged(msg, "WriteRealSparse");
  return true;
}

}  // namespace modrask
