// Console conventions of Mardex: the usage text, the two error exits, the
// elapsed-time line and the closing prompt. Everything is written to a sink.
//
// The exits of this program do not end the process themselves: each returns
// the exit code, and its caller returns that code at once.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>

namespace modrask {

// The exit codes of Mardex.
inline constexpr int ExitSuccess = 0;
inline constexpr int ExitFailure = 1;

// Prints the eight lines of the usage text, runs ClosingPrompt and returns
// ExitFailure.
int UsageExit(std::ostream& out);

// Prints an empty line, "Error: " + message, an empty line, then runs
// UsageExit; returns ExitFailure. A CR LF inside the message is written as
// it stands.
int ErrorExit(std::ostream& out, std::string_view message);

// The failure of a step after the arguments were accepted: "Error: " +
// message on one line, no usage text, ClosingPrompt; returns ExitFailure so
// that a calling script sees the failure.
int LateFailureExit(std::ostream& out, std::string_view message);

// The line of an elapsed time: newTick - oldTick as an unsigned 32-bit
// difference (right across a wrap of the counter), right-aligned in 8
// characters (wider numbers use more), " milliseconds ", label. No newline.
std::string ElapsedLine(uint32_t oldTick, uint32_t newTick, std::string_view label);

// Reads the tick counter into `tick`; when `label` is not empty, first prints
// the ElapsedLine from the old value of `tick` to the new one.
void ElapsedTime(uint32_t& tick, std::string_view label, std::ostream& out);

// Under a debugger only: prints "press return to close DOS window" and
// reads and discards one line of `in`. Otherwise does nothing and never
// waits.
void ClosingPrompt(std::ostream& out, std::istream& in);
void ClosingPrompt(std::ostream& out);  // reads from standard input

// The prompt itself, whatever the debugger test says.
void PromptForReturn(std::ostream& out, std::istream& in);

}  // namespace modrask
