// Whether a debugger is attached to this process; the cleanup then waits for a line of
// input before it ends, so that its console output can be read.
#pragma once

namespace modrask {

// True when /proc/self/status names a tracer (a TracerPid other than 0). False when no
// tracer is attached or the status cannot be read.
bool UnderDebugger();

}  // namespace modrask
