// A module's own texts made safe to show: they are bytes of no stated encoding, read here as
// Latin-1, with control characters (C0, DEL and C1) shown as '?' so that no name can move the
// cursor or change the terminal. The result is UTF-8.
#pragma once

#include <string>

namespace cli {

std::string displayText(const std::string& stored);

// text (UTF-8) as a JSON string, quotes included.
std::string jsonString(const std::string& text);

}  // namespace cli
