// Address labels, two across: each kept unit adds its address as the next label of a row; a
// full row is printed line by line, a page beginning whenever the previous one is full.
#include <algorithm>

#include "format/text_utils.h"
#include "mailing/letter_mailing.h"
#include "mailing/print_file.h"

namespace zem {
namespace {

// A printed label line is cut to this many characters.
constexpr size_t kLabelLineWidth = 96;

}  // namespace

void AddLabel() {
  const MailingParameters& parameters = Mailing();
  MailingRunState& run = MailingRun();
  const size_t width = static_cast<size_t>(parameters.LabelWidth);
  ++run.LabelsInRow;
  for (int j = 0; j <= 4; ++j) {
    // Only the lines a label prints take cells: a line past LinesPerLabel would be neither
    // printed nor cleared and would grow with every label of the run.
    if (j >= parameters.LinesPerLabel) break;
    // Each line's cell of `width` characters is added to the row's line.
    std::string& row = run.LabelLines[j];
    if (j == 4) {
      // Address line 3 is right-aligned, ending 7 blanks before the edge of the label (when
      // the label is narrower, the line loses its start).
      const std::string_view line = run.AddressLines[4];
      const std::string_view text = line.substr(0, line.find_last_not_of(' ') + 1);
      const size_t shown = std::min(text.size() + 7, width);
      row.append(width - shown, ' ');
      const size_t text_shown = shown > 7 ? shown - 7 : 0;
      row.append(text.substr(text.size() - text_shown));
      row.append(shown - text_shown, ' ');
    } else {
      const std::string& text = run.AddressLines[j];
      const size_t shown = std::min(width, text.size());
      row.append(text, 0, shown);
      row.append(width - shown, ' ');
    }
  }
  if (run.LabelsInRow == 2) PrintLabelRow();
}

void PrintLabelRow() {
  const MailingParameters& parameters = Mailing();
  MailingRunState& run = MailingRun();
  const size_t width = static_cast<size_t>(parameters.LabelWidth);
  if (!run.PageOpen) {
    run.PageOpen = true;
    BeginPage(run.PageLines);
    PrintCommand("@e");
  }
  for (int i = 0; i < parameters.LinesPerLabel; ++i) {
    const std::string_view line =
        std::string_view(run.LabelLines[i])
            .substr(0, std::min(run.LabelLines[i].size(), kLabelLineWidth));
    for (size_t c = 1; c <= kLabelLineWidth; c += width) {
      PrintText(static_cast<int>(c), c - 1 < line.size() ? line.substr(c - 1, width) : "", 0);
    }
    PrintText(0, "", 1);
    run.LabelLines[i].clear();
  }
  run.LabelsInRow = 0;
  run.PageOpen = Printing().CurrentLine > 0 && Printing().CurrentLine < run.PageLines;
}

}  // namespace zem
