// The display code read backwards: from a colour class and a glyph to the
// byte, and the fixed ordering of all bytes that numbers them 145..400.
#include <array>

#include "front/chars.hpp"
#include "front/front_checks.hpp"

namespace quorl {

namespace {

// Green glyphs of the bytes 0x7F..0xA0, and of 0xFF, 0x00..0x1F, 0x20
// (indexed by byte + 1 modulo 256).
constexpr std::string_view kHighGreenGlyphs{"~!@#$%^&*<>-|+/=\\.`'\":;?0123456789"};
constexpr std::string_view kLowGreenGlyphs{"]JABCDEFGHI,KLMNOPQRSTUVWXYZ(){}[_"};

// The ordering: entry i is the byte of class kOrderClasses[i] shown as
// kOrderGlyphs[i].  Its letters run "QRUSTVWZXY", as the length digits do.
constexpr std::string_view kOrderClasses{
    "2222222222222222222222222222222222222222222222222222233333333333333333333333333333333333"
    "3333333333333333333333333333333333333333333333333333333331111111111111111111111111111111"
    "11111111111111111111111111111111111111111111111111111111111111122222223322222222"};
constexpr std::string_view kOrderGlyphs{
    "0123456789ABCDEFGHIJKLMNOPQRUSTVWZXY~!@#$%^&*<>-|+/=__abcdefghijklmnopqrustvwzxy01234567"
    "89ABCDEFGHIJKLMNOPQRUSTVWZXY~!@#$%^&*<>-|+/=\\.`'\":;?(){},_abcdefghijklmnopqrustvwzxy01"
    "23456789ABCDEFGHIJKLMNOPQRUSTVWZXY~!@#$%^&*<>-|+/=\\.`'\":;?(){},[][](){},[]\\.`'\":;?"};
static_assert(kOrderClasses.size() == 256 && kOrderGlyphs.size() == 256);

constexpr int kFirstCharacterNumber = 145;

unsigned char greenByte(char glyph) {
  size_t at = kHighGreenGlyphs.find(glyph);
  if (at != std::string_view::npos) return static_cast<unsigned char>(0x7F + at);
  char upper = (glyph >= 'a' && glyph <= 'z') ? static_cast<char>(glyph - 'a' + 'A') : glyph;
  at = kLowGreenGlyphs.find(upper);
  if (at == std::string_view::npos) internalFailure("nopqchar");
  return static_cast<unsigned char>(at - 1);  // index 0 wraps to 0xFF
}

bool isUnnumbered(unsigned char byte) { return byte == '\n' || byte == '[' || byte == ']'; }

// Position of every byte in the ordering.
const std::array<int, 256>& orderPositions() {
  static const std::array<int, 256> positions = [] {
    std::array<int, 256> table{};
    for (size_t i = 0; i < kOrderGlyphs.size(); ++i) table[orderedByte(i)] = static_cast<int>(i);
    return table;
  }();
  return positions;
}

}  // namespace

unsigned char byteOfGlyph(char classDigit, char glyph) {
  if (glyph == ' ' || glyph == '\n' || classDigit == '3') return static_cast<unsigned char>(glyph);
  if (classDigit == '1') return static_cast<unsigned char>(glyph + 128);
  if (classDigit == '2') return greenByte(glyph);
  internalFailure("nopqchar");
}

int characterNumber(unsigned char byte) {
  if (isUnnumbered(byte)) return -1;
  return kFirstCharacterNumber + orderPositions()[byte];
}

unsigned char orderedByte(size_t position) {
  if (position >= kOrderGlyphs.size()) checkFailure(kCoreModule, kCheckOrderPosition);
  return byteOfGlyph(kOrderClasses[position], kOrderGlyphs[position]);
}

int byteOfCharacterNumber(int number) {
  int at = number - kFirstCharacterNumber;
  if (at < 0 || at >= 256) return -1;
  unsigned char byte = orderedByte(static_cast<size_t>(at));
  return isUnnumbered(byte) ? -1 : byte;
}

}  // namespace quorl
