// The buffered file's reads against the bytes it holds: a random walk of
// sequential reads, views, moves, runs at offsets and copies, so that the
// read buffer, the run buffer and the window over short runs meet in every
// order, near the end of the file too, and runs the read buffer holds
// whole or in part.
#include "modrask/records/bytefile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "records_fixture.h"

namespace modrask {
namespace {

using fixture::Bytes;

TEST(ByteFileReads, RandomWalkAgreesWithTheBytes) {
  fixture::TempDir dir;
  const std::string path = dir.Path("walk.bin");
  // Three and a half read buffers, so that the end lies inside a fill; random
  // bytes, so that no offset holds what another does.
  std::mt19937_64 random(42);
  Bytes bytes(static_cast<size_t>(7 * ByteFileBufSize / 2));
  for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
  fixture::WriteBytes(path, bytes);
  const auto size = static_cast<int64_t>(bytes.size());
  auto in = ByteFile::OpenRead(path);
  ASSERT_NE(in, nullptr);
  auto out = ByteFile::CreateTemp(dir.Path("copy.bin"));
  ASSERT_NE(out, nullptr);
  Bytes copied;

  const auto below = [&random](int64_t n) {
    return static_cast<int64_t>(random() % static_cast<uint64_t>(n));
  };
  // Lengths from a byte to beyond the window and the buffer.
  const int64_t lengths[] = {1, 7, 600, 5000, 70000, 300000, ByteFileBufSize + 3};
  int64_t runPos = 0;
  for (int step = 0; step < 4000; ++step) {
    const int64_t n = lengths[below(static_cast<int64_t>(std::size(lengths)))];
    const int64_t at = in->Position();
    // Offsets walk forward from the last run most of the time, else jump.
    runPos = below(4) != 0 ? runPos + n + below(3000) : below(size);
    if (runPos > size) runPos = below(size);
    // Now and then a run that ends just behind the reading, as the values
    // a reader has just passed over: the read buffer holds all or its end.
    if (below(6) == 0) runPos = std::max<int64_t>(0, at - n - below(600));
    const int64_t avail = size - runPos;
    switch (below(5)) {
      case 0: {
        Bytes got(static_cast<size_t>(n));
        const int64_t r = in->Read(got.data(), n);
        ASSERT_EQ(r, std::min(n, size - at)) << step;
        ASSERT_TRUE(std::equal(got.begin(), got.begin() + r, bytes.begin() + at)) << step;
        break;
      }
      case 1: {
        const int64_t m = std::min<int64_t>(n, 600);
        const uint8_t* v = in->View(m, 16);
        ASSERT_EQ(in->Position(), v != nullptr ? at + m : at) << step;
        if (v != nullptr) {
          ASSERT_TRUE(std::equal(v, v + m + 16, bytes.begin() + at)) << step;
        }
        break;
      }
      case 2:
        in->Seek(below(size));
        break;
      case 3: {
        const uint8_t* run = in->ReadRun(runPos, n, [](const uint8_t*, int64_t) { return true; });
        ASSERT_EQ(run != nullptr, n <= avail) << step;
        if (run != nullptr) {
          ASSERT_TRUE(std::equal(run, run + n, bytes.begin() + runPos)) << step;
        }
        ASSERT_EQ(in->Position(), at) << "a run moved the reading, step " << step;
        break;
      }
      default: {
        bool srcShort = false;
        const bool ok = out->CopyFrom(*in, runPos, n, srcShort);
        ASSERT_EQ(ok, n <= avail) << step;
        ASSERT_EQ(srcShort, n > avail) << step;
        if (!ok) {
          // A short copy fails the output for good: start another.
          out = ByteFile::CreateTemp(dir.Path("copy.bin"));
          ASSERT_NE(out, nullptr);
          copied.clear();
          break;
        }
        copied.insert(copied.end(), bytes.begin() + runPos, bytes.begin() + runPos + n);
        in->Seek(at);
      }
    }
  }
  ASSERT_TRUE(out->Finish());
  EXPECT_EQ(fixture::ReadBytes(dir.Path("copy.bin")), copied);
}

}  // namespace
}  // namespace modrask
