// A module's own texts made safe to show: they are bytes of no stated encoding, read here as
// Latin-1, with control characters (C0, DEL and C1) shown as '?' so that no name can move the
// cursor or change the terminal. The result is UTF-8.
#pragma once

#include <string>

namespace cli {

std::string displayText(const std::string& stored);

// A file name (bytes, UTF-8 where they can be read so) made safe to show the same way: control
// characters as '?', and each byte that is not part of a UTF-8 character as U+FFFD, the
// replacement character. The result is UTF-8, in text and in JSON alike.
std::string displayName(const std::string& name);

// text (UTF-8) as a JSON string, quotes included.
std::string jsonString(const std::string& text);

}  // namespace cli
