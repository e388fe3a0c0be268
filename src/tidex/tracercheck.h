// Whether a debugger is attached to this process (tracercheck.cpp on POSIX hosts,
// windebugger.cpp on Windows); the cleanup then waits for a line of
// input before it ends, so that its console output can be read.
#pragma once

namespace modrask {

// POSIX: true when /proc/self/status names a tracer (a TracerPid other than 0); false when
// no tracer is attached or the status cannot be read. Windows: IsDebuggerPresent.
bool UnderDebugger();

}  // namespace modrask
