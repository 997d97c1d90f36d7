#include "common/Prompt.h"

namespace kv {

Prompt::~Prompt() = default;

} // namespace kv
