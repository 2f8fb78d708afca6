// The golden runs printed to PDF and read back with poppler's tools: the page count and paper
// size, and every word where the plain-text rendering has it (same line, same column).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/cp850.h"
#include "platform/files.h"
#include "support/sample_root.h"
#include "tools/vakprint/spool/page_model.h"
#include "tools/vakprint/spool/pdf_render.h"
#include "tools/vakprint/spool/text_render.h"

namespace zem::vakprint {
namespace {

namespace fs = std::filesystem;

using testing::ReadAll;

// Runs a command and gives its standard output.
std::string Output(const std::string& command, const fs::path& output) {
  EXPECT_EQ(std::system((command + " >" + output.string()).c_str()), 0) << command;
  return ReadAll(output);
}

std::string Unescaped(std::string text) {
  const std::pair<const char*, const char*> entities[] = {
      {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}};
  for (const auto& [entity, plain] : entities) {
    for (size_t at = text.find(entity); at != std::string::npos; at = text.find(entity, at + 1)) {
      text.replace(at, std::strlen(entity), plain);
    }
  }
  return text;
}

// The UTF-8 characters of a text, one string each.
std::vector<std::string> Characters(const std::string& utf8) {
  std::vector<std::string> out;
  for (size_t i = 0; i < utf8.size();) {
    size_t n = 1;
    while (i + n < utf8.size() && (static_cast<unsigned char>(utf8[i + n]) & 0xC0) == 0x80) ++n;
    out.push_back(utf8.substr(i, n));
    i += n;
  }
  return out;
}

// Puts the words pdftotext found (with their boxes) back on the printer's grid, page by page,
// as the plain-text rendering writes pages.
std::string TextFromBoxes(const std::string& xhtml, const std::vector<long>& page_lines,
                          double paper_width, double paper_height) {
  const double margin = PdfRenderer::kMarginPoints;
  const double cell = (paper_width - 2 * margin) / PdfRenderer::kColumns;
  const std::regex word(R"re(<word xMin="([0-9.]+)" yMin="([0-9.]+)"[^>]*>([^<]*)</word>)re");
  std::string text;
  size_t page = 0;
  size_t from = xhtml.find("<page ");
  while (from != std::string::npos) {
    size_t next = xhtml.find("<page ", from + 1);
    std::string body = xhtml.substr(from, next == std::string::npos ? next : next - from);
    const double line_height = (paper_height - 2 * margin) / page_lines.at(page);
    std::map<long, std::vector<std::string>> rows;
    for (std::sregex_iterator m(body.begin(), body.end(), word), end; m != end; ++m) {
      const long column = std::lround((std::stod((*m)[1]) - margin) / cell);
      const long line = std::lround((std::stod((*m)[2]) - margin) / line_height);
      std::vector<std::string>& row = rows[line];
      std::vector<std::string> characters = Characters(Unescaped((*m)[3]));
      if (row.size() < column + characters.size()) row.resize(column + characters.size(), " ");
      std::copy(characters.begin(), characters.end(), row.begin() + column);
    }
    if (page > 0) text += '\f';
    long line = 0;
    for (const auto& [at, row] : rows) {
      for (; line < at; ++line) text += '\n';
      for (const std::string& c : row) text += c;
      text += '\n';
      line = at + 1;
    }
    ++page;
    from = next;
  }
  return text;
}

// The lines of each page of a print file, as the PDF's grid takes them.
std::vector<long> PageLengths(const std::string& print_file) {
  struct Lengths : PageSink {
    bool AddPage(const Page& page) override {
      long lines = page.length > 0 ? page.length : PdfRenderer::kDefaultLines;
      if (!page.rows.empty()) lines = std::max(lines, page.rows.back().line + 1);
      lengths.push_back(lines);
      return true;
    }
    std::vector<long> lengths;
  } lengths;
  EXPECT_TRUE(ReadPages(print_file, &lengths).ok);
  return lengths.lengths;
}

class PdfGoldenTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("zem_pdf_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Renders a print file to PDF on the given paper; the path of the PDF.
  fs::path Render(const std::string& print_file, const Paper& paper) {
    const fs::path pdf = dir_ / "out.pdf";
    platform::HostFileSystem files;
    auto out = files.OpenOutput(pdf.string(), false);
    PdfRenderer renderer(out.get(), paper);
    EXPECT_TRUE(ReadPages(print_file, &renderer).ok);
    EXPECT_TRUE(renderer.Finish()) << renderer.error();
    EXPECT_TRUE(out->Close());
    return pdf;
  }

  fs::path dir_;
};

TEST_P(PdfGoldenTest, PagesAndTextComeBack) {
  const fs::path golden = fs::path(ZEM_SOURCE_DIR) / "tests" / "golden";
  const std::string print_file = ReadAll(golden / (std::string(GetParam()) + ".tmp"));
  const std::string expected = ReadAll(golden / (std::string(GetParam()) + ".txt"));
  const std::vector<long> lengths = PageLengths(print_file);
  for (const char* paper_name : {"a4", "letter"}) {
    const Paper paper = PaperNamed(paper_name);
    const fs::path pdf = Render(print_file, paper);
    const std::string info = Output("pdfinfo " + pdf.string(), dir_ / "info.txt");
    std::smatch pages;
    ASSERT_TRUE(std::regex_search(info, pages, std::regex(R"(Pages:\s+(\d+)\n)"))) << info;
    EXPECT_EQ(std::stoul(pages[1]), lengths.size()) << paper_name;
    std::ostringstream size;
    size << "Page size:       " << paper.width << " x " << paper.height << " pts";
    EXPECT_NE(info.find(size.str()), std::string::npos) << info;
    const std::string boxes = Output("pdftotext -bbox " + pdf.string() + " -", dir_ / "boxes.html");
    EXPECT_EQ(TextFromBoxes(boxes, lengths, paper.width, paper.height), expected) << paper_name;
  }
}

INSTANTIATE_TEST_SUITE_P(GoldenRuns, PdfGoldenTest,
                         ::testing::Values("letters_cat", "letters_spa_returned", "labels_9",
                                         "labels_3"));

TEST(PaperTest, KnownNamesAndA4Otherwise) {
  EXPECT_NEAR(PaperNamed("letter").width, 612, 0.01);
  EXPECT_NEAR(PaperNamed("letter").height, 792, 0.01);
  EXPECT_NEAR(PaperNamed("a4").height, 841.89, 0.01);
  EXPECT_EQ(PaperNamed("no such paper").name, "a4");
}

}  // namespace
}  // namespace zem::vakprint
