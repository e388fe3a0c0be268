#include <gtest/gtest.h>

#include <set>

#include "modrask/records/bytefile.h"
#include "records/records_fixture.h"

namespace modrask {
namespace {

using fixture::Bytes;
using fixture::TempDir;

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// A small file with markers of every width up to two bytes, an empty record
// and several header names, cut or bumped at every byte.
class Sweep : public ::testing::TestWithParam<TFileFlavour> {
 protected:
  void SetUp() override {
    records_ = {fixture::Name("AAAA"),   fixture::Pattern(96, 1), fixture::Pattern(0),
                fixture::Pattern(63, 2), fixture::Name("bbbb"),   fixture::Pattern(100, 3),
                fixture::Pattern(64, 4), fixture::Name("CCCC")};
    fixture::MakeRecordFile(path_, flavour(), records_);
    whole_ = fixture::ReadBytes(path_);
    // Where each record ends, as the reader sees it.
    TRecFile f;
    TFileFlavour found;
    std::string msg;
    ASSERT_TRUE(OpenLaheyFile(f, path_, found, msg)) << msg;
    boundaries_.insert(static_cast<size_t>(f.File->Position()));
    int32_t len = 0;
    for (size_t i = 0; i < records_.size(); ++i) {
      ASSERT_TRUE(GetNextRec(f, f.Buf(), len, found, msg)) << msg;
      boundaries_.insert(static_cast<size_t>(f.File->Position()));
    }
    ASSERT_EQ(*boundaries_.rbegin(), whole_.size());
  }

  TFileFlavour flavour() const { return GetParam(); }

  // Reads every record of the file at path_: true when it ends cleanly; n is
  // the number of records read, each checked against the original.
  bool ReadAll(size_t& n, std::string& msg, bool compare) {
    n = 0;
    TRecFile f;
    TFileFlavour found;
    if (!OpenLaheyFile(f, path_, found, msg)) {
      EXPECT_TRUE(EndsWith(msg, " [OpenLaheyFile]")) << msg;
      return false;
    }
    EXPECT_EQ(found, flavour());
    for (;;) {
      int32_t len = 0;
      bool atEof = false;
      if (!GetLaheyRecA(f, f.Buf(), len, found, atEof, msg)) {
        EXPECT_TRUE(EndsWith(msg, " [GetLaheyRecA]")) << msg;
        return false;
      }
      if (atEof) return true;
      if (compare && n < records_.size()) {
        EXPECT_EQ(Bytes(f.Buf(), f.Buf() + len), records_[n]) << "record " << n;
      }
      ++n;
    }
  }

  // Scans the header names; true when the scan ends cleanly.
  bool ScanNames(std::vector<std::string>& names, std::string& msg) {
    names.clear();
    TRecFile f;
    TFileFlavour found;
    if (!OpenLaheyFile(f, path_, found, msg)) return false;
    for (;;) {
      std::string name;
      bool more = false;
      if (!GetHead(f, name, more, found, msg)) {
        EXPECT_TRUE(EndsWith(msg, " [SkipHead] [GetHead]")) << msg;
        return false;
      }
      if (!more) return true;
      names.push_back(name);
    }
  }

  TempDir dir_;
  std::string path_ = dir_.Path("sweep.har");
  std::vector<Bytes> records_;
  std::set<size_t>
      boundaries_;  // the first record's offset, then the file sizes at which a record ends
  Bytes whole_;
};

TEST_P(Sweep, TruncatedAtEveryByte) {
  const std::vector<std::string> allNames = {"AAAA", "BBBB", "CCCC"};
  for (size_t cut = 0; cut <= whole_.size(); ++cut) {
    SCOPED_TRACE("cut at " + std::to_string(cut));
    fixture::WriteBytes(path_,
                        Bytes(whole_.begin(), whole_.begin() + static_cast<std::ptrdiff_t>(cut)));
    const bool atBoundary = boundaries_.count(cut) > 0 && cut > *boundaries_.begin();
    size_t n = 0;
    std::string msg;
    const bool clean = ReadAll(n, msg, true);
    if (clean) {
      // A clean end only where a record ends, after every record before it.
      EXPECT_TRUE(atBoundary);
      EXPECT_EQ(n, static_cast<size_t>(std::distance(boundaries_.begin(), boundaries_.find(cut))));
    } else {
      EXPECT_FALSE(msg.empty());
    }
    std::vector<std::string> names;
    if (ScanNames(names, msg)) {
      EXPECT_TRUE(atBoundary) << "the header scan took a cut record for the end of the file";
    }
    EXPECT_LE(names.size(), allNames.size());
    for (size_t i = 0; i < names.size(); ++i) EXPECT_EQ(names[i], allNames[i]);
  }
}

TEST_P(Sweep, EveryByteBumped) {
  for (size_t pos = 0; pos < whole_.size(); ++pos) {
    SCOPED_TRACE("byte " + std::to_string(pos));
    for (const int delta : {1, 0x80}) {
      Bytes bumped = whole_;
      bumped[pos] = static_cast<uint8_t>(bumped[pos] + delta);
      fixture::WriteBytes(path_, bumped);
      size_t n = 0;
      std::string msg;
      if (!ReadAll(n, msg, false)) {
        EXPECT_FALSE(msg.empty());
      }
      std::vector<std::string> names;
      if (!ScanNames(names, msg)) {
        EXPECT_FALSE(msg.empty());
      }
    }
  }
  fixture::WriteBytes(path_, whole_);
  size_t n = 0;
  std::string msg;
  EXPECT_TRUE(ReadAll(n, msg, true)) << msg;
  EXPECT_EQ(n, records_.size());
}

INSTANTIATE_TEST_SUITE_P(BothFramings, Sweep,
                         ::testing::Values(TFileFlavour::OldLahey, TFileFlavour::NewFujitsu),
                         [](const auto& p) {
                           return p.param == TFileFlavour::OldLahey ? "OldLahey" : "NewFujitsu";
                         });

}  // namespace
}  // namespace modrask
