#include "player/load/it_macros.h"

#include "player/load/it_format.h"
#include "player/load/xm_format.h"

namespace player {
namespace {

constexpr int PARAMETER = -1;  // the place of `z` among a macro's nibbles
constexpr int MAX_NIBBLES = 2 * IT_MACRO_TEXT;

int nibbleOf(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -2;
}

}  // namespace

FilterMacro parseFilterMacro(const char* text, std::size_t length) {
  int nibbles[MAX_NIBBLES];
  int count = 0;
  for (std::size_t k = 0; k < length && text[k] != '\0' && count < MAX_NIBBLES; ++k) {
    const char c = text[k];
    if (c == ' ') continue;
    if (c == 'z') {
      nibbles[count++] = PARAMETER;
      continue;
    }
    const int nibble = nibbleOf(c);
    if (nibble < 0) return FilterMacro{};  // a variable the filter messages never hold
    nibbles[count++] = nibble;
  }
  static const int prefix[] = {0xF, 0x0, 0xF, 0x0, 0x0};
  if (count < 7) return FilterMacro{};
  for (int k = 0; k < 5; ++k) {
    if (nibbles[k] != prefix[k]) return FilterMacro{};
  }
  FilterMacro macro{};
  if (nibbles[5] == 0) macro.target = MACRO_CUTOFF;
  if (nibbles[5] == 1) macro.target = MACRO_RESONANCE;
  if (macro.target == MACRO_NONE) return FilterMacro{};
  if (nibbles[6] == PARAMETER) {
    macro.fromParameter = 1;
  } else if (count >= 8 && nibbles[7] >= 0) {
    macro.value = static_cast<std::uint8_t>((nibbles[6] << 4 | nibbles[7]) & 0x7F);
  } else {
    return FilterMacro{};
  }
  return macro;
}

MacroSet defaultMacros() {
  MacroSet macros{};
  macros.parametered[0] = {MACRO_CUTOFF, 1, 0};
  for (int k = 0; k < 16; ++k) {
    macros.fixed[k] = {MACRO_RESONANCE, 0, static_cast<std::uint8_t>(8 * k)};
  }
  return macros;
}

void readItMacros(StreamHandle* handle, std::int64_t offset, MacroSet& macros) {
  seekTo(handle, offset + static_cast<std::int64_t>(IT_GLOBAL_MACROS) * IT_MACRO_TEXT);
  for (FilterMacro& macro : macros.parametered) {
    char text[IT_MACRO_TEXT] = {};
    read(text, IT_MACRO_TEXT, handle);
    macro = parseFilterMacro(text, IT_MACRO_TEXT);
  }
  for (FilterMacro& macro : macros.fixed) {
    char text[IT_MACRO_TEXT] = {};
    read(text, IT_MACRO_TEXT, handle);
    macro = parseFilterMacro(text, IT_MACRO_TEXT);
  }
}

}  // namespace player
