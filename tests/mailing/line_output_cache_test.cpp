#include "mailing/line_output_cache.h"

#include <gtest/gtest.h>

#include <string>

#include "mailing/merge_table.h"
#include "mailing/print_file.h"
#include "mailing/template_merge.h"
#include "support/merge_fixture.h"

namespace zem {
namespace {

// A short page, so that the letters' lines fall on every place of a page: before its end,
// across it, and right after the nearly-full mark. Formats: justified, filled ("N"), indented
// with a negative indent, and the standard one; a style byte inside a wrapped paragraph; a
// skip line; a name and a receipt list whose lengths vary from letter to letter, so that the
// fixed lines after them stand somewhere else in each letter. Every other letter lengthens its
// pages halfway, so that the print file's own page breaks (the page begun being shorter) take
// over from the letter's.
constexpr char kHead[] =
    "\x7fP20\r\n"
    "\x7fS1\r\n"
    "\x7fLHeader\r\n"
    "\x7f"
    "0130000A\r\n"
    "\x7f"
    "1050005N\r\n"
    "\x7f"
    "0540-03I\r\n"
    "\x02"
    "Dear @NAME, this paragraph wraps over several lines and is the same in most letters.\r\n";
constexpr char kLongerPages[] = "\x7fP40\r\n";
constexpr char kBody[] =
    "#LIST\r\n"
    "\x02"
    "A fixed paragraph with \x10"
    "bold\x10 words that wraps more than once across the narrow margins.\r\n"
    "\x03Total @TOTAL\r\n"
    "\x04   indented text that wraps over the narrow margin again and again and again\r\n"
    "\r\n"
    "\x01plain line\r\n"
    "@.15\r\n"
    "\x02The last paragraph, fixed as well, ends the letter after a skip line.\r\n"
    "\x04   indented text that wraps over the narrow margin again and again and again\r\n";

std::string MergeData(int letter) {
  std::string list;
  for (int line = 0; line <= letter % 4; ++line) {
    if (line > 0) list += "\r\n";
    list += "receipt " + std::to_string(line);
  }
  const std::string name = letter % 3 == 0 ? "Anna" : "Bernat" + std::string(letter % 5 * 7, 'x');
  return "\x7fNAME\r\n" + name + "\xff\r\n\x7fLIST\r\n" + list + "\xff\r\n\x7fTOTAL\r\n" +
         std::to_string(100 + letter % 2) + "\xff\r\n";
}

class LineOutputCacheTest : public testing::MergeTest {
 protected:
  // The print file of a run of letters, with or without the kept line output.
  std::string RunLetters(bool reuse) {
    ResetProgramState();
    Session().RootDir = "C:\\VAK\\";
    Session().WorkDir = "C:\\VAK\\TMP\\";
    Merging().ReuseLineOutputs = reuse;
    services_.files.AddFile("/VAK/TEXTOS/CARTA.txt", std::string(kHead) + kBody);
    services_.files.AddFile("/VAK/TEXTOS/CARTB.txt", std::string(kHead) + kLongerPages + kBody);
    EXPECT_TRUE(OpenPrintFile("LPT1"));
    MergeTable table;
    for (int letter = 0; letter < 40; ++letter) {
      table.Assign(MergeData(letter));
      EXPECT_TRUE(MergeTemplate(letter % 2 == 0 ? "CARTA" : "CARTB", &table));
    }
    EXPECT_TRUE(ClosePrintFile());
    return services_.files.Contents("/VAK/TMP/vakprint.tmp");
  }
};

TEST_F(LineOutputCacheTest, LettersPrintTheSameWithTheKeptLineOutput) {
  const std::string fresh = RunLetters(false);
  const std::string reused = RunLetters(true);
  ASSERT_GT(fresh.size(), 10000u);
  EXPECT_EQ(reused, fresh);
  // The fixed lines were kept (and so written again from the table).
  const LineShape plain{"plain line", kStandardFormat.Left, kStandardFormat.Right,
                        kStandardFormat.Indent, kStandardFormat.Alignment};
  EXPECT_NE(Merging().LineOutputs.Find(plain, LineOutputCache::Hash(plain)), nullptr);
}

}  // namespace
}  // namespace zem
