// Whole files of every header type the writer makes, in both framings, cut
// at every byte and with every byte changed: each read either succeeds or
// fails with a message of the convention (a fault text, then the tags of the
// operations on the way out), and never crashes (the sanitizer build runs
// this too).
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string_view>

#include "fuzz/seeds_fixture.h"
#include "modrask/har/harread.h"
#include "har_fixture.h"
#include "modrask/support/memstat.h"

namespace modrask {
namespace {

using test::Bytes;

// A fault text (at least one visible character that is no tag) followed by
// one or more tags, the outermost the whole-file reader's. A file that ends
// where a record-buffer record belongs has no fault text: its chain is tags
// alone, from " [GetRecBuf]" on.
bool FollowsConvention(const std::string& msg) {
  const std::string_view outer = " [ReadHarFile]";
  if (!std::string_view(msg).ends_with(outer)) return false;
  std::string_view rest(msg);
  rest.remove_suffix(outer.size());
  // Strip the inner tags, "[Name]" with or without a blank before it.
  while (!rest.empty() && rest.back() == ']') {
    const size_t open = rest.rfind('[');
    if (open == std::string_view::npos) return false;
    const std::string_view name = rest.substr(open + 1, rest.size() - open - 2);
    if (name.empty() || name.find(']') != std::string_view::npos) return false;
    rest = rest.substr(0, open);
    if (!rest.empty() && rest.back() == ' ') rest.remove_suffix(1);
  }
  if (rest.find_first_not_of(" \t\r\n") != std::string_view::npos) return true;
  return rest.empty() && msg.starts_with(" [GetRecBuf] ");
}

// Reads the file with the values in memory, left in the file (which must
// refuse exactly what the first refuses, with the same message), and with
// only the shape of the values looked at (which passes over some faults).
void ReadExpectingSoundOutcome(const std::string& path) {
  for (const TValueReading how :
       {TValueReading::Decode, TValueReading::Check, TValueReading::Skip}) {
    PHarData h;
    std::string msg;
    bool skipped = false;
    static std::string decodeMsg;
    const bool ok = ReadHarFile(path, h, false, false, how, skipped, msg);
    if (how == TValueReading::Decode) {
      decodeMsg = ok ? "" : msg;
    } else if (how == TValueReading::Check) {
      EXPECT_EQ(ok ? "" : msg, decodeMsg);
    }
    if (ok) {
      ASSERT_NE(h, nullptr);
      for (const PHeaderRec& head : h->Heads) ASSERT_NE(head, nullptr);
    } else {
      EXPECT_EQ(h, nullptr);
      EXPECT_TRUE(FollowsConvention(msg)) << msg;
    }
  }
}

class CorruptionSweep : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // A changed size may declare an array of gigabytes that the host could
    // supply; a small usable-memory figure refuses it and keeps the sweep fast.
    OverrideAvailMemKB(16 * 1024);
    // In memory where the host has such a folder: the sweep writes many files.
    dir_ = (::access("/dev/shm", W_OK) == 0 ? std::filesystem::path("/dev/shm")
                                            : std::filesystem::temp_directory_path()) /
           ("modrask-sweep-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
    std::string msg;
    ASSERT_TRUE(fuzz::MakeSeedFiles(dir_.string(), files_, msg)) << msg;
  }
  static void TearDownTestSuite() {
    OverrideAvailMemKB(std::nullopt);
    std::filesystem::remove_all(dir_);
  }

  // Every cut and every changed byte of the seed files whose name holds
  // `kind`.
  static void Sweep(const std::string& kind) {
    const std::string bad = (dir_ / "bad.har").string();
    int swept = 0;
    for (const std::string& file : files_) {
      if (file.find(kind) == std::string::npos) continue;
      ++swept;
      SCOPED_TRACE(file);
      const Bytes good = test::ReadBytes(file);
      ReadExpectingSoundOutcome(file);
      for (size_t n = 0; n < good.size(); ++n) {
        SCOPED_TRACE("cut to " + std::to_string(n) + " bytes");
        test::WriteBytes(bad, Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n)));
        ReadExpectingSoundOutcome(bad);
      }
      for (size_t i = 0; i < good.size(); ++i) {
        // Off by one, the sign bit of a little-endian integer's top byte,
        // and all bits.
        for (const uint8_t x : {uint8_t{0x01}, uint8_t{0x80}, uint8_t{0xFF}}) {
          SCOPED_TRACE("byte " + std::to_string(i) + " xor " + std::to_string(x));
          Bytes b = good;
          b[i] = static_cast<uint8_t>(b[i] ^ x);
          test::WriteBytes(bad, b);
          ReadExpectingSoundOutcome(bad);
          if (HasFatalFailure()) return;
        }
      }
    }
    EXPECT_EQ(swept, 2) << "one file of each framing";
  }

  static std::filesystem::path dir_;
  static std::vector<std::string> files_;
};

std::filesystem::path CorruptionSweep::dir_;
std::vector<std::string> CorruptionSweep::files_;

TEST(CorruptionSweepShape, MessagesOfTheConvention) {
  EXPECT_TRUE(FollowsConvention("2I record wrong length [Get2IData] [ReadHarFile]"));
  EXPECT_TRUE(FollowsConvention("At header ELEM\nneltrd mismatch [GetOrgREData] [ReadHarFile]"));
  EXPECT_TRUE(FollowsConvention(" [GetRecBuf] [Get2IData] [ReadHarFile]"));
  EXPECT_FALSE(FollowsConvention(" [Get2IData] [ReadHarFile]"));
  EXPECT_FALSE(FollowsConvention("2I record wrong length [Get2IData]"));
  EXPECT_FALSE(FollowsConvention("[ReadHarFile]"));
}

// Sets, labelled real arrays (FULL and SPSE), integers and history.
TEST_F(CorruptionSweep, SetsArraysIntegersHistory) {
  Sweep("small_");
}
// Unknown and single-element labels, an unlabelled array, free text.
TEST_F(CorruptionSweep, LabelsOfEveryKind) {
  Sweep("labels_");
}
// Only the special headers.
TEST_F(CorruptionSweep, SpecialHeadersOnly) {
  Sweep("empty_");
}

}  // namespace
}  // namespace modrask
