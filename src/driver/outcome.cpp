// RunOutcome moves and the error box.
#include "driver/outcome.hpp"

#include <array>
#include <utility>

namespace quorl {

RunOutcome::RunOutcome(RunOutcome&& other) noexcept { *this = std::move(other); }

RunOutcome& RunOutcome::operator=(RunOutcome&& other) noexcept {
  if (this == &other) return *this;
  // Field by field, leaving the source with five empty texts (the standard
  // leaves a moved-from string unspecified, so empty them explicitly).
  std::string* targets[] = {&message, &status, &vip, &tip, &way};
  std::string* sources[] = {&other.message, &other.status, &other.vip, &other.tip, &other.way};
  for (int i = 0; i < 5; ++i) {
    *targets[i] = std::move(*sources[i]);
    sources[i]->clear();
  }
  return *this;
}

RunOutcome failure(std::string status, std::string message, std::string vip, std::string tip,
                   std::string way) {
  RunOutcome outcome;
  outcome.status = std::move(status);
  outcome.message = std::move(message);
  outcome.vip = std::move(vip);
  outcome.tip = std::move(tip);
  outcome.way = std::move(way);
  return outcome;
}

namespace {

enum class Colour : unsigned char { plain, green, red };

struct Glyph {
  Colour colour;
  char shown;
};

// Shown characters of 0x7F..0xA0, in byte order.
constexpr std::string_view kHighGreenGlyphs = "~!@#$%^&*<>-|+/=\\.`'\":;?0123456789";
// Shown characters of 0xFF, 0x00..0x1F: indexed by (byte + 1) mod 256.
constexpr std::string_view kControlGlyphs = "]JABCDEFGHI,KLMNOPQRSTUVWXYZ(){}[_";

constexpr Glyph glyphOf(unsigned byte) {
  if (byte == '\n') return {Colour::green, ','};
  if (byte == ' ') return {Colour::green, ' '};
  if (byte >= 0x21 && byte <= 0x7E) return {Colour::plain, static_cast<char>(byte)};
  if (byte >= 0x7F && byte <= 0xA0) return {Colour::green, kHighGreenGlyphs[byte - 0x7F]};
  if (byte >= 0xA1 && byte <= 0xFE) return {Colour::red, static_cast<char>(byte - 0x80)};
  return {Colour::green, kControlGlyphs[(byte + 1) & 0xFF]};  // 0xFF and 0x00..0x1F
}

constexpr std::array<Glyph, 256> makeGlyphTable() {
  std::array<Glyph, 256> table{};
  for (unsigned byte = 0; byte < 256; ++byte) table[byte] = glyphOf(byte);
  return table;
}

constexpr std::array<Glyph, 256> kGlyphTable = makeGlyphTable();

constexpr std::string_view escapeOf(Colour colour) {
  switch (colour) {
    case Colour::green: return "\033[32m";
    case Colour::red: return "\033[31m";
    case Colour::plain: break;
  }
  return "\033[m";
}

}  // namespace

std::string displayMapping(std::string_view text) {
  std::string shown;
  shown.reserve(text.size() + 16);
  Colour current = Colour::plain;
  for (char c : text) {
    const Glyph& glyph = kGlyphTable[static_cast<unsigned char>(c)];
    if (glyph.colour != current) {
      shown += escapeOf(glyph.colour);
      current = glyph.colour;
    }
    shown += glyph.shown;
  }
  if (current != Colour::plain) shown += escapeOf(Colour::plain);
  return shown;
}

std::string errorDisplay(RunOutcome outcome) {
  std::string box;
  box += "                        /\\\n";
  box += "\\/\\oh [" + outcome.status + "]     /\\   /  \\\n";
  box += "/\\uck_________/\\_/  \\_/    \\_\n";
  const std::pair<const char*, const std::string*> rows[] = {
      {" <way> ", &outcome.way},
      {" <vip> ", &outcome.vip},
      {" <tip> ", &outcome.tip},
      {" <say> ", &outcome.message},
  };
  for (const auto& [label, field] : rows) {
    if (field->empty()) continue;
    box += label;
    box += displayMapping(*field);
    box += '\n';
  }
  return box;
}

}  // namespace quorl
