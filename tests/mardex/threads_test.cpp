// Files read, written and renamed in several threads at once: each thread's
// options reach its own reader and writer, a failure injected into one
// thread's files leaves the others alone, and every outcome is the one the
// same work gives one job after the other. Run under ThreadSanitizer by the
// tsan preset.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <optional>
#include <sstream>
#include <thread>
#include <vector>

#include "mardex/mardex_fixture.h"
#include "mardex/rename_run.h"
#include "modrask/har/harread.h"
#include "modrask/har/harwrite.h"
#include "modrask/records/bytefile.h"
#include "modrask/sets/renamepass.h"
#include "modrask/support/memstat.h"

namespace modrask {
namespace {

// One thread's work: read the input with `Read`, write it back with
// `Write`, rename REG to ZONE in one pass with `Write`.
struct TJob {
  std::string Input;
  TReadOptions Read;
  TWriteOptions Write;
};

struct TResult {
  std::string Values;  // every real value read, as its bytes
  bool Written = false;
  std::string WriteMsg;
  std::string WrittenBytes;
  TOnePassStop Stop = TOnePassStop::None;
  std::string RenamedBytes;

  bool operator==(const TResult&) const = default;
};

std::string RealBytes(const THarData& h) {
  std::string out;
  for (const PHeaderRec& head : h.Heads) {
    if (head->HeadMat.Root == nullptr) continue;
    const TValues& v = *head->HeadMat.Root;
    out.append(reinterpret_cast<const char*>(v.data()), v.size() * sizeof(float));
  }
  return out;
}

TResult RunJob(const TJob& job, const std::string& folder) {
  TResult r;
  PHarData h;
  bool skipped = false;
  std::string msg;
  if (!ReadHarFile(job.Input, h, false, false, TValueReading::Decode, job.Read, skipped, msg)) {
    r.Values = "read failed: " + msg;
    return r;
  }
  r.Values = RealBytes(*h);
  const std::string written = folder + "/written.har";
  r.Written = WriteHarFile(written, "Mardex", "12:00:00", h.get(), job.Write, r.WriteMsg);
  if (r.Written) r.WrittenBytes = test::ReadFileBytes(written);
  const std::string renamed = folder + "/renamed.har";
  TOnePassRename pass;
  RenameInOnePass(job.Input, renamed, "REG", "ZONE", "Mardex", "12:00:00", job.Write, pass);
  r.Stop = pass.Stop;
  if (pass.Stop == TOnePassStop::None) r.RenamedBytes = test::ReadFileBytes(renamed);
  return r;
}

// The standard file with non-finite values and an array large enough that
// the threads' readings and writings overlap.
test::THarBytes MixedFile(TFileFlavour flavour) {
  test::THarBytes b = test::StandardFile(flavour);
  const float inf = std::numeric_limits<float>::infinity();
  b.HeaderRE("NANS", "non-finite values", {{"REG", test::RegElements(), 0}},
             {1.0f, std::nanf(""), 0.0f, -inf, 5.0f});
  std::vector<float> big(600 * 500);
  for (size_t i = 0; i < big.size(); ++i) big[i] = i % 3 == 0 ? static_cast<float>(i) : 0.0f;
  b.HeaderRE("BIG", "large", {{"ROWS", {}, 600}, {"COLS", {}, 500}}, big);
  return b;
}

class Threads : public ::testing::Test {
 protected:
  void SetUp() override {
    oldLahey_ = dir_.File("old.har");
    newFujitsu_ = dir_.File("new.har");
    MixedFile(TFileFlavour::OldLahey).Save(oldLahey_);
    MixedFile(TFileFlavour::NewFujitsu).Save(newFujitsu_);
  }

  // Each job in a folder of its own, in a thread of its own when `together`.
  std::vector<TResult> RunAll(const std::vector<TJob>& jobs, const std::string& tag,
                              bool together) {
    std::vector<TResult> results(jobs.size());
    std::vector<std::string> folders;
    for (size_t i = 0; i < jobs.size(); ++i) {
      folders.push_back(dir_.File(tag + std::to_string(i)));
      std::filesystem::create_directory(folders.back());
    }
    std::vector<std::thread> threads;
    for (size_t i = 0; i < jobs.size(); ++i) {
      const auto work = [&, i] { results[i] = RunJob(jobs[i], folders[i]); };
      if (together) {
        threads.emplace_back(work);
      } else {
        work();
      }
    }
    for (std::thread& t : threads) t.join();
    return results;
  }

  test::TTempDir dir_;
  std::string oldLahey_;
  std::string newFujitsu_;
};

TEST_F(Threads, ReadWriteAndRenameGiveWhatTheyGiveOneAfterTheOther) {
  TWriteFaults faults{.BytesLeft = 0};
  const TWriteOptions program{.ForceDefaultFlavour = true, .SparseThreshold = 60};
  const std::vector<TJob> jobs = {
      {oldLahey_, {}, program},
      {oldLahey_, {.KeepNonFinite = true}, {.SparseThreshold = 100}},
      {newFujitsu_, {}, {.ForceDefaultFlavour = true, .DefaultFlavour = TFileFlavour::OldLahey}},
      {newFujitsu_, {.KeepNonFinite = true}, program},
      {oldLahey_, {}, {.ForceDefaultFlavour = true, .SparseThreshold = 60, .Faults = &faults}},
  };
  const std::vector<TResult> alone = RunAll(jobs, "alone", false);
  // The options reached the reader and the writer of their own job.
  EXPECT_NE(alone[0].Values, alone[1].Values);              // the mark, or NaN and -inf as stored
  EXPECT_NE(alone[0].WrittenBytes, alone[1].WrittenBytes);  // framing and storage
  EXPECT_NE(alone[2].WrittenBytes, alone[3].WrittenBytes);
  for (size_t i = 0; i + 1 < jobs.size(); ++i) {
    SCOPED_TRACE("job " + std::to_string(i));
    EXPECT_TRUE(alone[i].Written) << alone[i].WriteMsg;
    EXPECT_EQ(alone[i].Stop, TOnePassStop::None);
  }
  // The faulty job fails alone: its disk has no room, the others' has.
  EXPECT_FALSE(alone.back().Written);
  EXPECT_EQ(alone.back().Stop, TOnePassStop::Failure);

  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    faults.BytesLeft = 0;
    const std::vector<TResult> together = RunAll(jobs, "together" + std::to_string(round), true);
    for (size_t i = 0; i < jobs.size(); ++i) EXPECT_TRUE(together[i] == alone[i]) << "job " << i;
  }
}

// Whole runs of the program's rename, each with its own options, at once.
TEST_F(Threads, RenameRunsInThreads) {
  std::vector<std::string> outputs;
  std::vector<int> codes(4, -1);
  std::vector<std::string> reports(4);
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i) outputs.push_back(dir_.File("run" + std::to_string(i) + ".har"));
  // The host's memory figure is not what this test is about: under wine it
  // was once seen too small when four threads asked for it at once.
  OverrideAvailMemKB(int64_t{1} << 20);
  for (int i = 0; i < 4; ++i) {
    threads.emplace_back([&, i] {
      TMardexOptions options;
      options.OnePass = i % 2 == 0;
      std::ostringstream out;
      codes[i] =
          RunMardex({i < 2 ? oldLahey_ : newFujitsu_, outputs[i], "REG", "ZONE"}, options, out);
      reports[i] = out.str();
    });
  }
  for (std::thread& t : threads) t.join();
  OverrideAvailMemKB(std::nullopt);
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(reports[i]);
    EXPECT_EQ(codes[i], 0);
    EXPECT_NE(reports[i].find("There were 5 set name changes from \"REG\" to \"ZONE\""),
              std::string::npos);
    PHarData back;
    bool skipped = false;
    std::string msg;
    ASSERT_TRUE(ReadHarFile(outputs[i], back, false, false, skipped, msg)) << msg;
    EXPECT_EQ(back->Flavour, TFileFlavour::NewFujitsu);
  }
}

}  // namespace
}  // namespace modrask
