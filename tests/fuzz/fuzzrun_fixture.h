// Running one input of the fuzz targets: the bytes become a file in a
// scratch folder (in memory where the host has one) and go through the
// reader, or through the whole rename run with its round-trip check. Shared
// by the fuzz targets and by the test that replays the regression files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "modrask/records/lheyfile.h"

namespace modrask::fuzz {

// The usable-memory figure the runs work under (KiB), so that a tiny file
// that declares a huge array is refused by the memory estimate.
inline constexpr int64_t FuzzAvailMemKB = 16 * 1024;

// The writing options the runs write with: the program's, with the sparse
// threshold of the default user setting.
inline constexpr TWriteOptions FuzzWriteOptions{.ForceDefaultFlavour = true, .SparseThreshold = 60};

// Process-wide settings, made once: the memory figure and the scratch
// folder. Later calls do nothing.
void SetUpOnce();

// Reads the bytes as a whole Header Array file. True when the read
// succeeded; a failure's message is left in msg. Either is a sound outcome.
bool ReadOne(const uint8_t* data, size_t size, std::string& msg);

// The rename run on the bytes: read, store the sets, rename one set (the
// first the store holds, else REG) to a free name, write. When all that
// succeeded the written file is read back and written again; the outputs
// must be equal byte for byte, or, where the first held labels the writer
// refused (written "RL", read back "RE"), the next read and write must
// reproduce the second. False only when that property is broken, with what
// went wrong in `fault`.
bool RenameOne(const uint8_t* data, size_t size, std::string& fault);

// The rename run on the bytes twice: once with every value read into memory
// (the whole-file model, the oracle) and once with the values checked but
// left in the file, as Mardex runs. Every step must end alike (success, or
// failure with the same message) and the written files must be equal byte
// for byte. False with what differs in `fault`.
bool CompareWithOracle(const uint8_t* data, size_t size, std::string& fault);

// The same for a file already on disk, written to outputs beside `scratch`
// (a path prefix); for the tests of files too large for the fuzz targets.
bool CompareFileWithOracle(const std::string& input, const std::string& scratch,
                           std::string& fault);

// harinfo's commands on the bytes: the listing, and by turns the JSON
// listing and the sets (turn 0), the history and a diff of a seed file
// against it (1), or show and csv of the first headers (2); then a diff of
// the file with itself. Without a turn the size chooses it. Each run must
// end with exit code 0, 1 or 2, and a file compared with itself is never
// different (0 or 2). False only when that is broken, with what went wrong
// in `fault`.
inline constexpr int InfoTurns = 3;
bool InfoOne(const uint8_t* data, size_t size, std::string& fault, int turn = -1);

}  // namespace modrask::fuzz
