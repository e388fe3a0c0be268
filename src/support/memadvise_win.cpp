// Windows offers large pages only to privileged processes: no advice.
#include "modrask/support/memadvise.h"

namespace modrask {

void AdviseLargeBlock(void* /*p*/, size_t /*bytes*/) {}

}  // namespace modrask
