#include "modrask/support/message.h"

namespace modrask {

std::string DummyMsg;

}  // namespace modrask
