#include "harinfo/difffolders.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>

#include "harinfo/infofile.h"

namespace modrask::harinfo {

namespace {

namespace fs = std::filesystem;

// The Header Array files of a folder by the name the host matches them by,
// each with its relative name.
using TListing = std::map<std::string, std::string>;

std::string MatchKey(std::string name) {
#ifdef _WIN32
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
#endif
  return name;
}

bool ListFolder(const std::string& dir, bool recursive, TListing& files, int64_t& ignored,
                std::string& msg) {
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) {
    return Fail(msg, dir + ": " + (fs::exists(dir, ec) ? "not a folder" : "no such folder"));
  }
  const auto add = [&](const fs::directory_entry& e) {
    std::error_code typeEc;
    if (!e.is_regular_file(typeEc)) return;
    const std::string rel = fs::relative(e.path(), dir, typeEc).generic_string();
    if (IsHarFileName(rel)) {
      files.emplace(MatchKey(rel), rel);
    } else {
      ++ignored;
    }
  };
  if (recursive) {
    fs::recursive_directory_iterator it(dir, fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) add(*it);
  } else {
    fs::directory_iterator it(dir, fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) add(*it);
  }
  return ec ? Fail(msg, dir + ": cannot be listed: " + ec.message()) : true;
}

void DiffOne(const std::string& oldPath, const std::string& newPath,
             const TDiffOptions& options, TFolderFile& f) {
  std::string msg;
  PHarData oldData;
  PHarData newData;
  if (!OpenInfoFile(oldPath, oldData, msg)) {
    f.Error = oldPath + ": " + PlainReadError(oldPath, msg);
  } else if (!OpenInfoFile(newPath, newData, msg)) {
    f.Error = newPath + ": " + PlainReadError(newPath, msg);
  } else if (!DiffHarFiles(*oldData, *newData, options, f.Diff, msg)) {
    f.Error = msg;
  } else {
    f.Read = true;
  }
}

}  // namespace

std::string InFolder(const std::string& dir, const std::string& rel) {
  const bool ends = !dir.empty() && (dir.back() == '/' || dir.back() == '\\');
  return ends ? dir + rel : dir + "/" + rel;
}

bool IsHarFileName(const std::string& name) {
  std::string ext = fs::path(name).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext == ".har" || ext == ".sl4" || ext == ".prm" || ext == ".upd";
}

bool DiffFolders(const std::string& oldDir, const std::string& newDir, bool recursive,
                 const TDiffOptions& options, const TFileSink& onFile, TFolderDiff& result,
                 std::string& msg) {
  result = TFolderDiff{};
  TListing oldFiles;
  TListing newFiles;
  if (!ListFolder(oldDir, recursive, oldFiles, result.Ignored, msg)) return false;
  if (!ListFolder(newDir, recursive, newFiles, result.Ignored, msg)) return false;
  for (const auto& [key, rel] : oldFiles) {
    if (!newFiles.contains(key)) result.OnlyOld.push_back(rel);
  }
  for (const auto& [key, rel] : newFiles) {
    if (!oldFiles.contains(key)) result.OnlyNew.push_back(rel);
  }
  for (const auto& [key, rel] : oldFiles) {
    const auto other = newFiles.find(key);
    if (other == newFiles.end()) continue;
    TFolderFile f;
    f.Name = rel;
    DiffOne(InFolder(oldDir, rel), InFolder(newDir, other->second), options, f);
    ++result.Compared;
    if (!f.Read) {
      ++result.Unreadable;
    } else if (!f.Diff.Equal()) {
      ++result.Differing;
    }
    onFile(f);
  }
  return true;
}

}  // namespace modrask::harinfo
