// Writing real headers: the choice between full and sparse storage, the
// FULL chunks of at most 7,000 values and the SPSE blocks of 2,333 entries.
#pragma once

#include <cstdint>
#include <string>

#include "modrask/har/harmodel.h"

namespace modrask {

// The sparse threshold (TWriteOptions) that the user's setting "UseSparse"
// asks for: 60 when it is true or absent, 100 when it is false. Programs
// read it at start and pass it to the writing.
int32_t UserSparseThreshold();

// True when an array of nValues values, nnz of them not zero, is written
// "SPSE": when more than `threshold` percent of them (rounded, ties to
// even) are zero and its positions fit in 32 bits; never at 100.
bool ChooseSparse(int64_t nnz, int64_t nValues, int32_t threshold);

// True when the values that reading left in the file (valueplace.h) are
// exactly the records this writer would make of them, in the storage it
// would choose, so that writing copies them as they lie. FULL values are
// read whole into memory for this and counted: `run` then points at their
// records (valid until their file is next read) and nnz is their count of
// non-zero values; SPSE values keep the count their check made. `threshold`
// is the output's sparse threshold.
bool ValuesCopyable(const THeaderRec& head, int32_t threshold, const uint8_t*& run, int64_t& nnz);

// Writes one real header ("RE" or "RL"): chooses the storage by the rounded
// share of non-zero values (ties to even) and f.Writing.SparseThreshold, stores the choice in the
// header's StorageMethod, then writes the name record, descriptor, labels and values. False with "
// [WriteRLData]" and the failing step's message; the file is then left as written so far (the
// whole-file writer abandons it). The header stays owned by the caller; its HeadMat counts are
// updated. Values that reading left in the file are copied from there as they lie when
// ValuesCopyable accepts them; otherwise they are decoded, written from memory and released.
bool WriteRLData(TRecFile& f, THeaderRec* head, TFileFlavour flavour, std::string& msg);

// Writes the name record and the descriptor (the sizes 7, D1..D7), and for
// an "RE" header whose labels ValidREDetails accepts, the set labels; labels
// it rejects are dropped silently and the descriptor says "RL". False with
// " [WriteRealStart]": "Not an RL or RE Header", "HeadMat.Root=nil", a value
// block that does not match the sizes, CheckSetSizes, or a write failure.
bool WriteRealStart(TRecFile& f, THeaderRec* head, TFileFlavour flavour, std::string& msg);

// Writes the FULL data records (StorageMethod must be "FULL"): the dimension
// record, then a limits and a values record per chunk, KREC counting down to
// 1; an array with a size of 0 as three records. False with " [WriteRealFull]".
bool WriteRealFull(TRecFile& f, THeaderRec* head, TFileFlavour flavour, std::string& msg);

// Writes the SPSE data records (StorageMethod must be "SPSE") from the
// HeadMat.NNZ that CountNonZeros left: the count record and the entry
// records in increasing position. A count that does not match the values is
// refused before KREC could go wrong. False with " [WriteRealSparse]".
bool WriteRealSparse(TRecFile& f, THeaderRec* head, TFileFlavour flavour, std::string& msg);

}  // namespace modrask
