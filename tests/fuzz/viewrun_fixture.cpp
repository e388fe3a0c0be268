#include "viewrun_fixture.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <string_view>
#include <vector>

#include "fuzzrun_fixture.h"
#include "harinfo/viewapi.h"
#include "seeds_fixture.h"

namespace modrask::fuzz {

namespace {

constexpr uint16_t Port = 8123;

void Failed(const std::string& what) {
  std::fprintf(stderr, "view fuzz set-up: %s\n", what.c_str());
  std::abort();
}

// A session on two seed files, made once.
harinfo::TViewSession& Session() {
  static std::unique_ptr<harinfo::TViewSession> session;
  if (session != nullptr) return *session;
  SetUpOnce();
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path dir =
      fs::temp_directory_path(ec) / ("modrask-view-fuzz-" + std::to_string(std::rand()));
  fs::create_directories(dir, ec);
  std::vector<std::string> files;
  std::string msg;
  if (ec || !MakeSeedFiles(dir.string(), files, msg)) Failed("no seed files: " + msg);
  std::vector<std::string> chosen;
  for (const std::string& f : files) {
    harinfo::TViewSession probe;
    if (chosen.size() < 2 && probe.Open({f}, msg)) chosen.push_back(f);
  }
  session = std::make_unique<harinfo::TViewSession>();
  if (chosen.size() != 2 || !session->Open(chosen, msg)) Failed("seed files do not open: " + msg);
  session->Admit(harinfo::NewViewToken(), Port);
  return *session;
}

std::string Replaced(std::string_view text, std::string_view from, const std::string& to) {
  std::string out;
  for (size_t at = text.find(from); at != std::string_view::npos; at = text.find(from)) {
    out.append(text.substr(0, at));
    out += to;
    text.remove_prefix(at + from.size());
  }
  out.append(text);
  return out;
}

}  // namespace

bool ViewOne(const uint8_t* data, size_t size, std::string& fault) {
  harinfo::TViewSession& session = Session();
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t line = input.find('\n');
  const std::string host = line == std::string_view::npos
                               ? "127.0.0.1:" + std::to_string(Port)
                               : Replaced(input.substr(0, line), "PORT", std::to_string(Port));
  const std::string target = Replaced(
      line == std::string_view::npos ? input : input.substr(line + 1), "TOKEN", session.Token());
  const harinfo::TViewAnswer a = harinfo::AnswerView(session, target, host);
  const int s = a.Status;
  if (s != 200 && s != 400 && s != 403 && s != 404 && s != 405) {
    fault = "status " + std::to_string(s) + ": " + a.Body;
    return false;
  }
  if (a.ContentType == "application/json" && !nlohmann::json::accept(a.Body)) {
    fault = "answer is not JSON: " + a.Body.substr(0, 200);
    return false;
  }
  return true;
}

}  // namespace modrask::fuzz
