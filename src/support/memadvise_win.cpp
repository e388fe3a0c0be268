// Windows offers large pages only to privileged processes: no advice.
#include "support/memadvise.h"

namespace modrask {

void AdviseLargeBlock(void* /*p*/, size_t /*bytes*/) {}

}  // namespace modrask
