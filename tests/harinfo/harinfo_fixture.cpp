#include "harinfo/harinfo_fixture.h"

#include <sstream>

#include "modrask/har/harwrite.h"
#include "modrask/har/realwrite.h"
#include "harinfo/harinfo_run.h"
#include "mardex/rename_run.h"

namespace modrask::test {

void PrintTo(const TInfoResult& r, std::ostream* os) {
  *os << "{code " << r.Code << ", out \"" << r.Out << "\", err \"" << r.Err << "\"}";
}

TInfoResult RunInfo(const std::vector<std::string>& args) {
  std::ostringstream out;
  std::ostringstream err;
  TInfoResult r;
  r.Code = harinfo::RunHarinfo(args, out, err);
  r.Out = out.str();
  r.Err = err.str();
  return r;
}

void InfoFiles::SetUp() {
  EnsureHarBuf();
  std_ = Save("std.har", StandardFile(TFileFlavour::NewFujitsu));
}

std::string InfoFiles::Save(const std::string& name, const THarBytes& bytes) const {
  const std::string path = dir_.File(name);
  bytes.Save(path);
  return path;
}

std::string InfoFiles::Renamed(const std::string& input, const std::string& name,
                               const std::string& from, const std::string& to) const {
  const std::string path = dir_.File(name);
  TMardexOptions options;
  options.Write.SparseThreshold = 60;
  std::ostringstream report;
  EXPECT_EQ(RunMardex({input, path, from, to}, options, report), 0) << report.str();
  return path;
}

std::string ChangedA2() {
  std::string bytes = StandardFile(TFileFlavour::NewFujitsu).Bytes();
  const std::string run = THarBytes::Real(0.5f) + THarBytes::Real(1.0f) + THarBytes::Real(1.5f);
  const size_t at = bytes.find(run);
  EXPECT_NE(at, std::string::npos);
  if (at != std::string::npos) bytes.replace(at + 4, 4, THarBytes::Real(1.75f));
  return bytes;
}

}  // namespace modrask::test
