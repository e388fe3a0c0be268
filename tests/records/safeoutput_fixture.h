// The fixture of the safe-output tests: a previous file at out.har that a
// failed or abandoned write must leave as it was.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "modrask/records/bytefile.h"
#include "records/records_fixture.h"

namespace modrask {

class SafeOutput : public ::testing::TestWithParam<TFileFlavour> {
 protected:
  using Bytes = fixture::Bytes;
  using TempDir = fixture::TempDir;

  void SetUp() override { fixture::WriteBytes(out_, previous_); }

  TFileFlavour flavour() const { return GetParam(); }

  // The previous file is still there, byte for byte, and nothing else is.
  void ExpectUntouched() {
    EXPECT_EQ(dir_.Entries(), std::vector<std::string>{"out.har"});
    EXPECT_EQ(fixture::ReadBytes(out_), previous_);
  }

  // Writes the sample records, stopping at the first failure.
  bool WriteSample(TRecFile& f, std::string& msg) {
    const Bytes s12 = fixture::Pattern(12, 4), e80 = fixture::Pattern(80, 6),
                d100 = fixture::Pattern(100, 8);
    return WriteLaheyRec(f, "HEAD", 4, flavour(), msg) &&
           WriteRecBuf(f, s12.data(), 12, e80.data(), 20, 4, flavour(), msg) &&
           WriteLaheyRec(f, d100.data(), 63, flavour(), msg) &&
           WriteLaheyRec(f, "NEXT", 4, flavour(), msg) &&
           WriteRecBuf(f, nullptr, 0, d100.data(), 0, 1, flavour(), msg) &&
           WriteLaheyRec(f, d100.data(), 100, flavour(), msg);
  }

  TempDir dir_;
  std::string out_ = dir_.Path("out.har");
  const Bytes previous_ = fixture::Pattern(333, 77);
  // The files the tests create get these faults, none until a test sets one.
  TWriteFaults faults_;
  const TWriteOptions faulty_{.Faults = &faults_};
};

const auto kFramingNames = [](const auto& p) {
  return p.param == TFileFlavour::OldLahey ? "OldLahey" : "NewFujitsu";
};

}  // namespace modrask
