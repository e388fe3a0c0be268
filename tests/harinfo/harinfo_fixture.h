// Test helpers of the harinfo suite: in-process runs, files in a scratch
// folder made by the byte-level writer of the Mardex suite, and renamed
// copies made by Mardex's run (the library's writer).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mardex/mardex_fixture.h"

namespace modrask::test {

// What a run printed and how it ended.
struct TInfoResult {
  int Code = -1;
  std::string Out;
  std::string Err;
  bool operator==(const TInfoResult&) const = default;
};

// Shows a result in a failure message.
void PrintTo(const TInfoResult& r, std::ostream* os);

// RunHarinfo in-process.
TInfoResult RunInfo(const std::vector<std::string>& args);

// The bytes of the standard file (New Fujitsu) with the second value of A2
// (1) changed to 1.75.
std::string ChangedA2();

// A scratch folder holding the standard file of the Mardex suite in the New
// Fujitsu framing ("std.har"), and whatever a test adds.
class InfoFiles : public ::testing::Test {
 protected:
  void SetUp() override;
  // Saves `bytes` as `name` in the folder and returns its path.
  std::string Save(const std::string& name, const THarBytes& bytes) const;
  // Renames set `from` to `to` in `input` with Mardex's run, into `name`.
  std::string Renamed(const std::string& input, const std::string& name, const std::string& from,
                      const std::string& to) const;

  TTempDir dir_;
  std::string std_;  // the standard file
};

}  // namespace modrask::test
