#include "tools/vakprint/spool/page_model.h"

#include <algorithm>
#include <vector>

#include "tools/vakprint/spool/print_reader.h"

namespace zem::vakprint {
namespace {

std::string_view TrimRight(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// Whether a justification moves text inside its box (the others print it as it stands).
bool Realigns(const Justification& how) {
  return how.kind == 'D' || how.kind == 'C' || how.kind == 'A';
}

// Lays text out inside the box of its own length, as a printer with that justification would.
std::string Justify(const std::string& text, const Justification& how) {
  const size_t box = text.size();
  size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return text;
  size_t last = text.find_last_not_of(' ');
  std::string core = text.substr(first, last - first + 1);
  switch (how.kind) {
    case 'D':
      return std::string(box - core.size(), ' ') + core;
    case 'C': {
      size_t before = (box - core.size()) / 2;
      return std::string(before, ' ') + core + std::string(box - core.size() - before, ' ');
    }
    case 'A': {
      // The blanks left over at the end go into the gaps between words, one at a time from the
      // left; the indent (leading blanks) stays where it is.
      std::string line = text.substr(0, last + 1);
      size_t spare = box - line.size();
      std::vector<size_t> gaps;  // positions just after each run of blanks inside the line
      for (size_t i = first + 1; i < line.size(); ++i) {
        if (line[i] != ' ' && line[i - 1] == ' ') gaps.push_back(i);
      }
      if (gaps.empty() || spare == 0) return text;
      std::vector<size_t> extra(gaps.size(), spare / gaps.size());
      for (size_t g = 0; g < spare % gaps.size(); ++g) ++extra[g];
      std::string out;
      size_t from = 0;
      for (size_t g = 0; g < gaps.size(); ++g) {
        out += line.substr(from, gaps[g] - from);
        out += std::string(extra[g], ' ');
        from = gaps[g];
      }
      out += line.substr(from);
      return out;
    }
    default:
      return text;
  }
}

// The page being built and the print head on it.
class PageBuilder {
 public:
  explicit PageBuilder(PageSink* sink) : sink_(sink) {}

  bool started() const { return started_; }
  int pages() const { return pages_; }
  long dropped() const { return dropped_; }
  long column() const { return column_; }
  // Whether some text has been placed on the current line already.
  bool text_on_line() const { return text_on_line_; }

  // Hands the page in progress to the sink and begins an empty one.
  bool NewPage(long length) {
    bool ok = Flush();
    page_.rows.clear();  // the row table keeps its room for the next page
    page_.length = length;
    started_ = true;
    ++pages_;
    line_ = 0;
    column_ = 1;
    text_on_line_ = false;
    return ok;
  }

  // Hands the page in progress, if any, to the sink.
  bool Flush() {
    if (!started_) return true;
    started_ = false;
    return sink_->AddPage(page_);
  }

  void Command(std::string_view command) {
    for (char c : command) {
      if (c == '@' || c == 'e') style_ = 0;
      if (c == 'b') style_ ^= kBold;
      if (c == 'u') style_ ^= kUnderline;
      if (c == 'i') style_ ^= kItalic;
    }
  }

  void Put(long column, std::string_view text) {
    if (column > 0) column_ = column;
    const long from = column_;
    column_ += static_cast<long>(text.size());
    if (text.empty()) return;
    text_on_line_ = true;
    if (line_ > kLastLine || from > kLastColumn) {
      dropped_ += static_cast<long>(text.size());
      return;
    }
    const size_t kept = static_cast<size_t>(std::min(column_ - 1, kLastColumn) - (from - 1));
    dropped_ += static_cast<long>(text.size() - kept);
    Row& row = CurrentRow();
    const size_t at = static_cast<size_t>(from - 1);
    if (row.bytes.size() < at + kept) {
      row.bytes.resize(at + kept, ' ');
      row.styles.resize(at + kept, 0);
    }
    row.bytes.replace(at, kept, text, 0, kept);
    row.styles.replace(at, kept, kept, static_cast<char>(style_));
  }

  // A zero or negative count leaves the paper where it is: it cannot move back.
  void LineEnds(long count) {
    if (count <= 0) return;
    line_ = std::min(line_ + count, kLastLine + 1);
    column_ = 1;
    text_on_line_ = false;
  }

 private:
  Row& CurrentRow() {
    if (page_.rows.empty() || page_.rows.back().line != line_) {
      page_.rows.push_back(Row{line_, {}, {}});
    }
    return page_.rows.back();
  }

  PageSink* sink_;
  Page page_;
  bool started_ = false;
  int pages_ = 0;
  long dropped_ = 0;
  long line_ = 0;
  long column_ = 1;
  bool text_on_line_ = false;
  uint8_t style_ = 0;
};

// Places one text record as the justification before it asks.
void PlaceText(PageBuilder& pages, const PrintRecord& record, const Justification& how) {
  // A column left of the paper's edge (a header longer than the line, a hanging indent beyond
  // the left margin) starts at the edge; 0 still means "go on".
  const long column = record.column < 0 ? 1 : record.column;
  if (how.kind == 'N') {
    pages.Put(column, TrimRight(record.text));
    if (!how.fill.empty()) {
      std::string fill;
      const long stop = std::min(how.fill_column, kLastColumn + 1);
      while (pages.column() + static_cast<long>(fill.size()) < stop) {
        fill += how.fill[fill.size() % how.fill.size()];
      }
      pages.Put(0, fill);
    }
  } else if (!pages.text_on_line() && record.number > 0 && Realigns(how)) {
    pages.Put(column, Justify(record.text, how));
  } else {
    // Part of a line split by style switches: the line filler has laid the whole line out
    // already, and re-aligning a piece on its own would move blanks between the pieces.
    pages.Put(column, record.text);
  }
}

}  // namespace

ReadSummary ReadPages(std::string_view bytes, PageSink* sink) {
  ReadSummary summary;
  PrintFileReader reader(bytes);
  PageBuilder pages(sink);
  Justification pending;
  PrintRecord record;
  bool output_ok = true;
  while (output_ok && reader.Next(&record)) {
    switch (record.kind) {
      case PrintRecord::Kind::kDevice:
        summary.device = record.text;
        break;
      case PrintRecord::Kind::kPage:
        output_ok = pages.NewPage(record.number);
        break;
      case PrintRecord::Kind::kCommand:
        pages.Command(record.text);
        break;
      case PrintRecord::Kind::kJustification:
        pending = record.justification;
        break;
      case PrintRecord::Kind::kText:
        // Text before any page record: an open first page.
        if (!pages.started()) output_ok = pages.NewPage(0);
        PlaceText(pages, record, pending);
        pending = Justification{};
        pages.LineEnds(record.number);
        break;
    }
  }
  if (reader.failed()) {
    summary.error = reader.error();
    summary.error_line = reader.error_line();
    return summary;
  }
  if (output_ok) output_ok = pages.Flush();
  summary.output_failed = !output_ok;
  summary.ok = output_ok;
  summary.pages = pages.pages();
  summary.dropped = pages.dropped();
  return summary;
}

}  // namespace zem::vakprint
