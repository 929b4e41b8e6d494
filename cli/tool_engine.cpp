#include "cli/tool_engine.h"

namespace cli {

player::Engine toolEngine{};

}  // namespace cli
