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

#include "modrask/har/harmodel.h"

namespace modrask::harinfo {

enum class TValuesVerdict { Equal, Differ, NotCompared };

// A set name that changed into another one over the same elements.
using TRename = std::pair<std::string, std::string>;

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
  TValuesVerdict Values = TValuesVerdict::Equal;
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
bool DiffHarFiles(THarData& oldData, THarData& newData, TFileDiff& diff, std::string& msg);

// The two files opened once more, unbuffered, for comparing value records
// byte for byte: read straight into the comparison's blocks.
struct TRawFiles {
  std::ifstream Old;
  std::ifstream New;
  void Open(const std::string& oldName, const std::string& newName);
};

// Compares the values of two headers of the same type and dimensions into
// d.Values and the cell fields. False with the reader's message.
bool DiffHeaderValues(THeaderRec* oldHead, THeaderRec* newHead, TRawFiles& raw, THeadDiff& d,
                      std::string& msg);

}  // namespace modrask::harinfo
