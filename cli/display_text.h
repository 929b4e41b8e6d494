// Texts made safe to show, in text and in JSON: a module's own texts and the names of files, with
// control characters (C0, DEL and C1) shown as '?' so that no name can move the cursor or change
// the terminal. The results are UTF-8.
#pragma once

#include <string>

namespace cli {

// A module's texts are bytes of no stated encoding, read here as Latin-1.
std::string displayText(const std::string& stored);

// A file name (bytes, UTF-8 where they can be read so) made safe to show the same way: control
// characters as '?', and each byte that is not part of a UTF-8 character as U+FFFD, the
// replacement character. The result is UTF-8, in text and in JSON alike.
std::string displayName(const std::string& name);

// A module's name in messages: "standard input" for "-", else displayName(path).
std::string inputName(const std::string& path);

// text (UTF-8) as a JSON string, quotes included.
std::string jsonString(const std::string& text);

}  // namespace cli
