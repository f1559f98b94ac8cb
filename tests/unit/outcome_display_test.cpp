// RunOutcome moves and the error box with its colour-coded byte display.
#include <gtest/gtest.h>

#include <string>

#include "driver/outcome.hpp"

namespace quorl {
namespace {

const std::string kArt =
    "                        /\\\n"
    "\\/\\oh [range]     /\\   /  \\\n"
    "/\\uck_________/\\_/  \\_/    \\_\n";

const std::string kGreen = "\033[32m";
const std::string kRed = "\033[31m";
const std::string kPlain = "\033[m";

std::string byte(unsigned value) { return std::string(1, static_cast<char>(value)); }

// Removes the colour escapes, leaving only the shown characters.
std::string withoutEscapes(const std::string& shown) {
  std::string plain;
  for (size_t i = 0; i < shown.size(); ++i) {
    if (shown[i] == '\033') {
      i = shown.find('m', i);
      continue;
    }
    plain += shown[i];
  }
  return plain;
}

TEST(RunOutcomeTest, MovesLeaveTheSourceWithFiveEmptyTexts) {
  RunOutcome fresh;
  EXPECT_TRUE(fresh.ok());
  EXPECT_EQ(fresh.status, "check");

  RunOutcome source = failure("cycle", "say", "vip", "tip", "way");
  EXPECT_FALSE(source.ok());
  RunOutcome target(std::move(source));
  for (const std::string* field : {&source.message, &source.status, &source.vip, &source.tip,
                                   &source.way})
    EXPECT_TRUE(field->empty());
  EXPECT_FALSE(source.ok());  // an emptied status is not a success either

  RunOutcome assigned;
  assigned = std::move(target);
  EXPECT_EQ(assigned.status, "cycle");
  EXPECT_EQ(assigned.message, "say");
  EXPECT_EQ(assigned.vip, "vip");
  EXPECT_EQ(assigned.tip, "tip");
  EXPECT_EQ(assigned.way, "way");
  EXPECT_TRUE(target.status.empty() && target.way.empty());

  assigned = std::move(assigned);  // self-move keeps the fields
  EXPECT_EQ(assigned.status, "cycle");
}

TEST(RunOutcomeTest, OnlyTheExactWordCheckIsASuccess) {
  EXPECT_FALSE(failure("check ", "").ok());
  EXPECT_FALSE(failure("Check", "").ok());
  EXPECT_FALSE(failure(std::string("check\0", 6), "").ok());
  EXPECT_TRUE(failure("check", "ignored").ok());
}

TEST(ErrorDisplayTest, PlainMessageGivesArtAndOneRow) {
  EXPECT_EQ(errorDisplay(failure("range", "abc")), kArt + " <say> abc\n");
}

TEST(ErrorDisplayTest, RowsComeInWayVipTipSayOrderAndEmptyRowsAreLeftOut) {
  EXPECT_EQ(errorDisplay(failure("range", "m", "v", "t", "w")),
            kArt + " <way> w\n <vip> v\n <tip> t\n <say> m\n");
  EXPECT_EQ(errorDisplay(failure("range", "", "", "t", "")), kArt + " <tip> t\n");
  EXPECT_EQ(errorDisplay(failure("range", "")), kArt);
}

TEST(ErrorDisplayTest, StatusIsPrintedRawButDetailsAreMapped) {
  std::string status = "a\001\n\xA1";
  std::string box = errorDisplay(failure(status, "\001"));
  EXPECT_NE(box.find("\\/\\oh [" + status + "]     /\\"), std::string::npos);
  EXPECT_EQ(box.substr(box.rfind(" <say> ")), " <say> " + kGreen + "A" + kPlain + "\n");
}

TEST(DisplayMappingTest, ColourChangesOnlyWhereTheClassChanges) {
  EXPECT_EQ(displayMapping(""), "");
  EXPECT_EQ(displayMapping("abc"), "abc");
  EXPECT_EQ(displayMapping("a\nb"), "a" + kGreen + "," + kPlain + "b");
  // A blank is green too, so words separated by blanks change colour.
  EXPECT_EQ(displayMapping("a b"), "a" + kGreen + " " + kPlain + "b");
  // Neighbouring green bytes share one escape; green to red switches directly.
  EXPECT_EQ(displayMapping("\x01\x02\xA0\xA1\xA2"),
            kGreen + "AB9" + kRed + "!\"" + kPlain);
}

TEST(DisplayMappingTest, ATextEndingOnAColouredByteResetsTheColour) {
  EXPECT_EQ(displayMapping("x\x1F"), "x" + kGreen + "[" + kPlain);
  EXPECT_EQ(displayMapping("x\xFE"), "x" + kRed + "~" + kPlain);
  EXPECT_EQ(displayMapping(byte(0xA0)), kGreen + "9" + kPlain);
  EXPECT_EQ(displayMapping(byte(0xA1)), kRed + "!" + kPlain);
}

TEST(DisplayMappingTest, GlyphTablesAtTheirBoundaries) {
  struct Case {
    unsigned value;
    char shown;
  };
  const Case cases[] = {
      {0x00, 'J'}, {0x01, 'A'}, {0x09, 'I'}, {0x0B, 'K'}, {0x1A, 'Z'}, {0x1B, '('},
      {0x1C, ')'}, {0x1D, '{'}, {0x1E, '}'}, {0x1F, '['}, {0x7F, '~'}, {0x8F, '\\'},
      {0x93, '"'}, {0x96, '?'}, {0x97, '0'}, {0xA0, '9'}, {0xFF, ']'}, {0x21, '!'},
      {0x7E, '~'}, {0xA1, '!'}, {0xFE, '~'},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(withoutEscapes(displayMapping(byte(c.value))), std::string(1, c.shown))
        << "byte " << c.value;
  }
}

TEST(DisplayMappingTest, EveryByteHasExactlyOnePrintableGlyph) {
  std::string all;
  for (unsigned value = 0; value < 256; ++value) all += byte(value);
  std::string shown = withoutEscapes(displayMapping(all));
  ASSERT_EQ(shown.size(), 256u);
  for (unsigned value = 0; value < 256; ++value) {
    unsigned char glyph = static_cast<unsigned char>(shown[value]);
    EXPECT_TRUE(glyph >= 0x20 && glyph <= 0x7E) << "byte " << value;
  }
}

}  // namespace
}  // namespace quorl
