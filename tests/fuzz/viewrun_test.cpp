// The viewer fuzz target's run in the ordinary suite: every seed request,
// each cut short at every length, answered within the target's property.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "viewrun_fixture.h"

namespace modrask::fuzz {
namespace {

namespace fs = std::filesystem;

TEST(ViewRun, SeedsAndTheirPrefixes) {
  const fs::path dir = fs::path(MODRASK_TEST_DATA).parent_path() / "fuzz" / "view_seeds";
  int seeds = 0;
  for (const auto& e : fs::directory_iterator(dir)) {
    std::ifstream in(e.path(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ++seeds;
    for (size_t n = 0; n <= bytes.size(); ++n) {
      std::string fault;
      EXPECT_TRUE(ViewOne(reinterpret_cast<const uint8_t*>(bytes.data()), n, fault))
          << e.path() << " cut to " << n << ": " << fault;
    }
  }
  EXPECT_GE(seeds, 10);
}

}  // namespace
}  // namespace modrask::fuzz
