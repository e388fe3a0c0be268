// A Header Array file held in memory: THarData owns the ordinary headers and
// the five special ones; THeaderRec is one header, its descriptor, labels and
// data.
//
// Slot order: Dims, SetNames and SetElements are indexed 1..7 by slot (index
// 0 unused); dimension k of a header (k = 1..OrigNDim, as the file lists
// them) lives in slot 8-k, so slot 7 is the first, fastest-varying dimension.
// Slots below 8-OrigNDim hold size 1, no set name and no element list.
// TREDetails arrays are indexed 1..7 by dimension k.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "modrask/har/valueplace.h"
#include "modrask/records/lheyfile.h"
#include "modrask/support/mystrucs.h"
#include "modrask/support/newdim.h"

namespace modrask {

inline constexpr int32_t MaxHeads = 10050;

// Text widths of Header Array data.
inline constexpr size_t HeadNameLen = 4;
inline constexpr size_t LongNameLen = 70;
inline constexpr size_t SetNameLen = 12;

struct TREDetails {
  int32_t acdim = 0;                   // dimensions described, 0..7
  std::array<std::string, 8> StName;   // set name of dimension k
  std::array<char, 8> RDelst{};        // 'k', 'e' or 'u' per dimension k
  bool stknow = false;                 // every described dimension has a set name
  int32_t NEltrd = 0;                  // entries of eltnam in use
  std::string ArrayName;               // at most 12 characters
  bool acdmkn = false;
  std::array<std::string, 8> eltnam;   // names of single elements
  std::array<int32_t, 8> elno{};       // element numbers of single elements
};

struct THeaderRec {
  std::string Name;           // exactly 4 characters after reading
  std::string LongName;       // at most 70 characters
  std::string HeadType;       // "1C", "2I", "2R", "RL" or "RE"
  std::string FileType;       // the type as the file stores it: "RL" and "2R"
                              // headers are held as "RE"; empty if not read
  std::string StorageMethod;  // "FULL" or "SPSE"
  int32_t NStrings = 0;       // 1C
  int32_t LenString = 0;      // 1C
  int32_t NRows = 0;          // 2I, 2R
  int32_t NCols = 0;          // 2I, 2R
  int32_t OrigNDim = 0;
  TDims7 Dims{};
  TREDetails REDetails;
  std::array<PStrVec, 8> SetElements;   // slot order; Dims[i] + 1 slots each
  std::array<std::string, 8> SetNames;  // slot order; at most 12 characters
  TArr4 IntData;                        // 2I: rows 0..NRows, columns 0..NCols
  PStrVec StringRec;                    // 1C: strings 1..NStrings
  TMat7 HeadMat;                        // RE: the values
  // RE, 2I: where the values lie in the file, when reading left them there
  // (HeadMat and IntData are then empty until ReadHeaderValues).
  TValuePlace Values;
};
using PHeaderRec = std::unique_ptr<THeaderRec>;

struct THarData {
  // The ordinary headers in file order: header i (from 1) is Heads[i - 1].
  std::vector<PHeaderRec> Heads;
  PHeaderRec XXCDHead;  // creation date
  PHeaderRec XXCRHead;  // creating program
  PHeaderRec XXCPHead;  // compiler
  PHeaderRec XXHSHead;  // history
  PHeaderRec XXFFHead;  // kept as read, never written
  TFileFlavour Flavour = TFileFlavour::OldLahey;

  int32_t NHeads() const { return static_cast<int32_t>(Heads.size()); }
};
using PHarData = std::unique_ptr<THarData>;

// Releases a header and everything it owns; head is nil afterwards.
bool FreeHead(PHeaderRec& head, std::string& msg);
// Releases a whole file in memory; harData is nil afterwards.
bool FreeHarData(PHarData& harData, std::string& msg);

// Keeps the characters 33..126 of s (a-z upper-cased), at most 4, padded
// with blanks to exactly 4.
std::string NormHeadName(std::string_view s);

// True when the first two characters of the stored name are both 'X'.
bool IsXXHead(const THeaderRec* head);

// Sets the set of dimension k (1..7): SetNames[8-k] and StName[k] (cut to
// 12), SetElements[8-k] := elements (ownership passes), and RDelst[k] to 'k'
// or 'u' unless it is 'e'.
void SetHeadSet(THeaderRec& head, int k, std::string_view setName, PStrVec elements);

}  // namespace modrask
