#include "mardex/HarUtil.h"

#include <iostream>
#include <limits>
#include <string>

#include "modrask/support/mhUtil.h"

namespace modrask {

namespace {

constexpr const char* UsageLines[] = {
    "Mardex: renames occurrences of a set in HAR file.",
    "  example:",
    "Mardex OLD.HAR NEW.HAR REGION ZONE",
    "  above,",
    "OLD.HAR is input file, using set REGION.",
    "NEW.HAR is output file ... ",
    "  -- every occurrence of set REGION will be renamed to set ZONE.",
    "See \"Rename Set\" topic in Glimmet online help.",
};

}  // namespace

int UsageExit(std::ostream& out) {
  for (const char* line : UsageLines) out << line << '\n';
  ClosingPrompt(out);
  return ExitFailure;
}

int ErrorExit(std::ostream& out, std::string_view message) {
  out << '\n' << "Error: " << message << '\n' << '\n';
  return UsageExit(out);
}

int LateFailureExit(std::ostream& out, std::string_view message) {
  out << "Error: " << message << '\n';
  ClosingPrompt(out);
  return ExitFailure;
}

std::string ElapsedLine(uint32_t oldTick, uint32_t newTick, std::string_view label) {
  const uint32_t elapsed = newTick - oldTick;  // unsigned: a wrap still subtracts right
  std::string digits = std::to_string(elapsed);
  std::string line;
  if (digits.size() < 8) line.assign(8 - digits.size(), ' ');
  line += digits;
  line += " milliseconds ";
  line += label;
  return line;
}

void ElapsedTime(uint32_t& tick, std::string_view label, std::ostream& out) {
  const uint32_t oldTick = tick;
  tick = GetTickCount32();
  if (!label.empty()) out << ElapsedLine(oldTick, tick, label) << '\n';
}

void PromptForReturn(std::ostream& out, std::istream& in) {
  out << "press return to close DOS window" << '\n';
  out.flush();
  in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
}

void ClosingPrompt(std::ostream& out, std::istream& in) {
  if (DebuggerAttached()) PromptForReturn(out, in);
}

void ClosingPrompt(std::ostream& out) {
  ClosingPrompt(out, std::cin);
}

}  // namespace modrask
