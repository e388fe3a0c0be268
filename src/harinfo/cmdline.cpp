#include "harinfo/cmdline.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <string_view>
#include <tuple>

#include "harinfo/infofile.h"
#include "modrask/support/version.h"

namespace modrask::harinfo {

namespace {

constexpr int RunCommand = -1;

struct TCommandWord {
  std::string_view Word;
  TCommand Command;
  std::string_view Operands;
  bool Json;  // --json applies
};

// The first word of the operands names the command; without one, the listing.
constexpr std::array<TCommandWord, 7> CommandWords{{
    {"", TCommand::List, "FILE", true},
    {"sets", TCommand::Sets, "FILE", true},
    {"show", TCommand::Show, "FILE HEADER", true},
    {"csv", TCommand::Csv, "FILE HEADER", false},
    {"history", TCommand::History, "FILE", true},
    {"diff", TCommand::Diff, "OLD NEW", true},
    {"view", TCommand::View, "FILE [OTHER]", false},
}};

constexpr const char* CommandList =
    "Commands:\n"
    "  harinfo FILE                 the headers, in file order\n"
    "  harinfo sets FILE            the sets the file defines or uses\n"
    "  harinfo show FILE HEADER     one header: descriptor, labels, a preview of its values\n"
    "  harinfo csv FILE HEADER      one header's values as CSV\n"
    "  harinfo history FILE         the history lines\n"
    "  harinfo diff OLD NEW         how two files differ\n"
    "  harinfo view FILE [OTHER]    serve a viewer of FILE (and a comparison with OTHER)\n"
    "                               on this machine\n";

constexpr const char* FooterNotes =
    "\n"
    "Header names are matched without regard to case. Options may stand anywhere.\n"
    "Exit codes: 0 success (diff: the files are equal), 1 diff found a difference,\n"
    "2 trouble (bad arguments, a file that cannot be read, no such header).";

size_t OperandCount(std::string_view operands) {
  return static_cast<size_t>(std::count(operands.begin(), operands.end(), ' ')) + 1;
}

// Trouble with the command line that the list of commands helps with.
int TroubleWithList(std::ostream& err, const std::string& text) {
  const int code = Trouble(err, text);
  err << CommandList;
  return code;
}

// A first word that is no command and no file there: a mistyped command
// when operands follow it or when it is a bare word (no path, no dot).
bool LooksLikeCommand(const std::vector<std::string>& words) {
  std::error_code ec;
  if (std::filesystem::exists(words.front(), ec)) return false;
  const std::string& w = words.front();
  return words.size() > 1 || std::all_of(w.begin(), w.end(), [](char c) {
           return std::isalpha(static_cast<unsigned char>(c));
         });
}

// The diff options as given on the command line, checked in CheckDiff.
struct TDiffWords {
  std::string Abs;
  std::string Rel;
  std::string Cells;
  std::string By;
};

int CheckDiff(const TDiffWords& w, TInfoArgs& a, std::ostream& err) {
  TDiffOptions& o = a.Diff;
  for (const auto& [text, value, name] :
       {std::tuple{&w.Abs, &o.Abs, "--abs"}, std::tuple{&w.Rel, &o.Rel, "--rel"}}) {
    if (text->empty()) continue;
    if (!ParseTolerance(*text, *value)) {
      return Trouble(err, std::string(name) + " wants a non-negative number, not '" + *text + "'");
    }
    o.Tolerant = true;
  }
  if (w.Cells == "all") {
    o.Cells = AllCells;
  } else if (!w.Cells.empty()) {
    char* end = nullptr;
    const long long n = std::strtoll(w.Cells.c_str(), &end, 10);
    if (end != w.Cells.c_str() + w.Cells.size() || n < 0 || !std::isdigit(static_cast<unsigned char>(w.Cells[0]))) {
      return Trouble(err, "--cells wants a count or 'all', not '" + w.Cells + "'");
    }
    o.Cells = n;
  }
  if (!w.By.empty() && w.By != "abs" && w.By != "rel") {
    return Trouble(err, "--by wants abs or rel, not '" + w.By + "'");
  }
  o.ByRel = w.By == "rel";
  a.DiffOptionGiven = o.Tolerant || o.NanEqual || !w.Cells.empty() || !w.By.empty() ||
                      a.Recursive || a.Detail;
  return RunCommand;
}

int CheckCommand(std::vector<std::string> words, TInfoArgs& a, std::ostream& err) {
  if (words.empty()) return TroubleWithList(err, "missing FILE");
  const TCommandWord* command = &CommandWords[0];
  for (const TCommandWord& c : CommandWords) {
    if (!c.Word.empty() && words.front() == c.Word) {
      command = &c;
      words.erase(words.begin());
    }
  }
  if (command->Word.empty() && LooksLikeCommand(words)) {
    return TroubleWithList(err, "unknown command '" + words.front() + "'");
  }
  const std::string name =
      command->Word.empty() ? "harinfo" : "harinfo " + std::string(command->Word);
  const std::string usage = "usage: " + name + " " + std::string(command->Operands);
  const bool view = command->Command == TCommand::View;
  const size_t most = OperandCount(command->Operands);
  const size_t wanted = view ? 1 : most;  // view's OTHER may be left out
  if (words.size() < wanted) {
    const std::string_view ops = command->Operands;
    size_t at = 0;
    for (size_t i = 0; i < words.size(); ++i) at = ops.find(' ', at) + 1;
    const std::string missing(ops.substr(at, ops.find(' ', at) - at));
    return TroubleWithList(err, "missing " + missing + " (" + usage + ")");
  }
  if (words.size() > most) return Trouble(err, usage);
  if (a.Json && !command->Json) return Trouble(err, "--json does not apply to " + name);
  if (a.NonZero && command->Command != TCommand::Csv) {
    return Trouble(err, "--nonzero applies to harinfo csv only");
  }
  if (a.All && command->Command != TCommand::Diff) {
    return Trouble(err, "--all applies to harinfo diff only");
  }
  if (a.DiffOptionGiven && command->Command != TCommand::Diff) {
    return Trouble(err, "--abs, --rel, --nan-equal, --cells, --by, --recursive and --detail "
                        "apply to harinfo diff only");
  }
  if ((a.Port >= 0 || a.NoBrowser) && !view) {
    return Trouble(err, "--port and --no-browser apply to harinfo view only");
  }
  a.Command = command->Command;
  a.Operands = std::move(words);
  return RunCommand;
}

}  // namespace

int ParseInfoArgs(const std::vector<std::string>& args, TInfoArgs& a, std::ostream& out,
                  std::ostream& err) {
  CLI::App app("harinfo: see inside a Header Array file, export its arrays, compare two files",
               "harinfo");
  app.footer(std::string(CommandList) + FooterNotes);
  // Options are --words on every host: a path that begins with '/' is a
  // file, never a Windows-style option.
  app.allow_windows_style_options(false);
  app.set_version_flag("--version", std::string("harinfo ") + ModraskVersion);
  std::vector<std::string> words;
  app.add_flag("--json", a.Json, "print JSON (the listing, sets, show, history and diff)");
  app.add_flag("--nonzero", a.NonZero, "leave out cells that are 0 (csv)");
  app.add_flag("--all", a.All, "list the equal headers too (diff)");
  TDiffWords diffWords;
  app.add_option("--abs", diffWords.Abs, "diff: cells within A of each other are equal")
      ->type_name("A");
  app.add_option("--rel", diffWords.Rel, "diff: cells within R x |old| of each other are equal")
      ->type_name("R");
  app.add_flag("--nan-equal", a.Diff.NanEqual, "diff: NaN equals NaN");
  app.add_option("--cells", diffWords.Cells, "diff: list the N largest differences, or all")
      ->type_name("N|all");
  app.add_option("--by", diffWords.By, "diff: --cells by abs (default) or rel difference")
      ->type_name("abs|rel");
  app.add_flag("--recursive", a.Recursive, "diff of folders: the subfolders too");
  app.add_flag("--detail", a.Detail, "diff of folders: each differing file's headers");
  app.add_option("--port", a.Port, "view: the port to listen on (default: a free one)")
      ->check(CLI::Validator(
          [](std::string& text) {
            // Decimal digits only: CLI11 alone would take 0x50 as 80.
            const bool digits = !text.empty() && text.size() <= 5 &&
                                text.find_first_not_of("0123456789") == std::string::npos;
            return digits ? std::string() : std::string("a port is a decimal number");
          },
          "PORT"))
      ->check(CLI::Range(0, 65535));
  app.add_flag("--no-browser", a.NoBrowser, "view: print the address, open no browser");
  app.add_option("words", words, "the command word (none for the listing) and its operands")
      ->type_name("");
  // CLI11 reports the end of parsing (help, version, a wrong argument) by
  // throwing; this is the one place that catches it.
  try {
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    out << app.help();
    return ExitSame;
  } catch (const CLI::CallForVersion& e) {
    out << e.what() << '\n';
    return ExitSame;
  } catch (const CLI::ParseError& e) {
    return Trouble(err, e.what());
  }
  if (const int code = CheckDiff(diffWords, a, err); code != RunCommand) return code;
  return CheckCommand(std::move(words), a, err);
}

}  // namespace modrask::harinfo
