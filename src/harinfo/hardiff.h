// How two Header Array files differ: headers only in one of them, and for
// each header in both whether the type, dimensions, labels, long name and
// values are equal. Set names that changed while their elements stayed are
// renames. The stamps (creation date, program, compiler), the framing and
// the storage (FULL or SPSE) are not compared; the history is.
#pragma once

#include <cstdint>
#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "harinfo/diffoptions.h"
#include "modrask/har/harmodel.h"

namespace modrask::harinfo {

enum class TValuesVerdict { Equal, Differ, NotCompared };

// A set name that changed into another one over the same elements.
using TRename = std::pair<std::string, std::string>;

// How the elements of one dimension's set changed between the two files.
struct TElementChanges {
  int32_t Dimension = 0;  // 1-based
  std::string OldSet;
  std::string NewSet;
  std::vector<TRename> Renamed;  // renamed in place: the same slot, new name
  std::vector<std::string> Added;
  std::vector<std::string> Removed;
  bool Reordered = false;  // the shared elements stand in another order
};

struct THeadDiff {
  std::string Name;
  std::string OldType;
  std::string NewType;
  std::string OldDims;  // DimsText of each side
  std::string NewDims;
  bool DimsEqual = true;
  bool LongNameEqual = true;
  std::vector<TRename> Renames;         // in dimension order, each once
  std::vector<std::string> LabelNotes;  // label changes that are no rename
  std::vector<TElementChanges> ElementChanges;
  TValuesVerdict Values = TValuesVerdict::Equal;
  // Why the values could not be compared (Values is NotCompared).
  std::string NotComparable;
  bool LabelReason = false;  // NotComparable comes from the labels
  // Cells whose bits differ but that the tolerance counts as equal; cells
  // of elements in one file only (values matched by element name).
  int64_t CellsAbsorbed = 0;
  int64_t CellsOnlyOld = 0;
  int64_t CellsOnlyNew = 0;
  // The largest absolute and relative differences of a real or integer
  // header, and the cells listed (TDiffOptions::Cells), largest first.
  TCellDiff MaxAbs;
  TCellDiff MaxRel;
  std::vector<TCellDiff> Listed;
  // Where values differ: how many cells (strings of a character header), the
  // largest absolute difference, and the first differing cell by its labels
  // with its two values as text.
  int64_t CellsDiffering = 0;
  double MaxAbsDifference = 0;
  std::vector<std::string> FirstCell;
  std::string FirstOld;
  std::string FirstNew;
  // The first differing values as numbers, for a real or integer header.
  bool FirstNumeric = false;
  bool FirstInteger = false;
  double FirstOldNumber = 0;
  double FirstNewNumber = 0;

  bool TypeEqual() const { return OldType == NewType; }
  bool LabelsEqual() const { return Renames.empty() && LabelNotes.empty(); }
  bool Equal() const {
    return TypeEqual() && DimsEqual && LabelsEqual() && LongNameEqual &&
           Values == TValuesVerdict::Equal;
  }
};

struct TFileDiff {
  TDiffOptions Options;  // as compared, without the sink
  bool CellsStreamed = false;  // every cell went to the sink
  std::vector<std::string> OnlyOld;  // header names, in file order
  std::vector<std::string> OnlyNew;
  std::vector<THeadDiff> Heads;  // the headers in both, in OLD's order
  bool HistoryEqual = true;
  // Lines NEW's history has after all of OLD's; empty when the history
  // changed otherwise.
  std::vector<std::string> HistoryAdded;
  // Every rename with the number of headers it occurs in.
  std::map<TRename, int32_t> Renames;

  bool Equal() const;
};

// Compares the two files, read with their values left in the files
// (OpenInfoFile). Values are compared only where type and dimensions agree:
// byte for byte where both files hold them in the same framing and storage,
// else decoded one header at a time and released again. False with the
// reader's message when values cannot be read.
bool DiffHarFiles(THarData& oldData, THarData& newData, const TDiffOptions& options,
                  TFileDiff& diff, std::string& msg);

// The two files opened once more, unbuffered, for comparing value records
// byte for byte: read straight into the comparison's blocks.
struct TRawFiles {
  std::ifstream Old;
  std::ifstream New;
  void Open(const std::string& oldName, const std::string& newName);
};

// How OLD's cells find NEW's when elements were matched by name: for each
// dimension the NEW slot (0-based) of each OLD slot, -1 for an element only
// in OLD. Empty Maps: cell p is cell p on both sides.
struct TCellMatch {
  std::vector<std::vector<int32_t>> Maps;
  std::vector<int32_t> NewSizes;
};

// How the comparison pairs the cells of two headers: d.DimsEqual, the label
// changes and `match`. False when the values cannot be paired, with why in
// d.NotComparable.
bool PairCells(const THeaderRec& o, const THeaderRec& n, THeadDiff& d, TCellMatch& match);

class TCellValues;

// Whether cell p of OLD's values and cell q of NEW's differ as the
// comparison counts them: other bits, and not equal under the options.
bool CellsDiffer(const TCellValues& a, int64_t p, const TCellValues& b, int64_t q,
                 const TDiffOptions& o);

// Compares the values of two headers of the same type whose cells `match`
// pairs, into d.Values and the cell fields. False with the reader's message.
bool DiffHeaderValues(THeaderRec* oldHead, THeaderRec* newHead, TRawFiles& raw,
                      const TDiffOptions& options, const TCellMatch& match, THeadDiff& d,
                      std::string& msg);

}  // namespace modrask::harinfo
