// What a comparison of two Header Array files is asked for: when two values
// count as equal, and which differing cells it lists. The command, the
// viewer and the Python module pass the same options to DiffHarFiles.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace modrask::harinfo {

// One differing cell: its labels along the dimensions (OLD's names), both
// values as text and, for a real or integer header, as numbers with their
// absolute and relative difference (|new - old| / |old|, infinite where old
// is 0).
struct TCellDiff {
  std::vector<std::string> Cell;
  std::string Old;
  std::string New;
  bool Numeric = false;
  bool Integer = false;
  double OldNumber = 0;
  double NewNumber = 0;
  double Abs = 0;
  double Rel = 0;
};

// Every differing cell as the comparison finds it: the header's name and
// the cell. Streamed out, never collected.
using TCellSink = std::function<void(const std::string& head, const TCellDiff& cell)>;

constexpr int64_t AllCells = -1;

struct TDiffOptions {
  // A cell is equal when |new - old| <= Abs + Rel * |old|. Without
  // Tolerant, equal means the same stored bits.
  bool Tolerant = false;
  double Abs = 0;
  double Rel = 0;
  // NaN equals NaN of any payload; else NaN equals only the same bits.
  bool NanEqual = false;
  // How many of each header's largest differences to list (by Rel when
  // ByRel, else by Abs); AllCells for every one, handed to Sink as found.
  int64_t Cells = 0;
  bool ByRel = false;
  TCellSink Sink;
};

// A tolerance as given: a non-negative finite number, the whole text.
bool ParseTolerance(const std::string& text, double& v);

// "exact", or "|new - old| <= 1e-06 + 0 x |old|", with ", NaN equals NaN".
std::string ToleranceText(const TDiffOptions& o);

}  // namespace modrask::harinfo
