#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "mailing/merge_table.h"

namespace zem {

// Turns a letter template ("TEXTOS\" + name + ".txt") into print records for one addressee:
// instruction lines set the page, line formats and decoding; include lines pull in other
// templates; field codes "@NAME" (trimmed) and "#NAME" (as stored) take their values from the
// merge data file; every resulting line is filled to its format and written to the print file,
// starting new pages as they fill.

// One line format: margins, indent (negative: a hanging indent) and alignment letter. An entry
// with both margins 0 (as the table starts out) prints like the standard format.
struct LineFormat {
  int16_t Left = 0;
  int16_t Right = 0;
  int16_t Indent = 0;
  char Alignment = '\0';
};

// Entry 0 at the start of every template: columns 1 to 95, leading blanks moved into the margin.
inline constexpr LineFormat kStandardFormat{1, 95, 0, 'I'};

// Where problems with templates go (a text for the operator, code page 850). By default each
// is shown in a message window until the operator presses a key; the program may route them
// elsewhere. An empty function restores the default.
using MergeProblemReporter = std::function<void(const std::string& text)>;

struct TemplateSet;

// The merge engine's program-wide state.
struct MergeState {
  MergeProblemReporter Reporter;  // empty: the default message window
  // Pages begun in the current document; 0 = the next printed line begins a new first page.
  int16_t PageCount = 0;
  // The work table: entry 0 is the default format, 1 to 9 the formats a template defines.
  std::array<LineFormat, 10> Formats{};
  // Template calls under way (the outermost counts 1).
  int Depth = 0;
  // The last problem shown to the operator and the print file it was shown for: the same
  // problem met again for the next letters of that run is not shown again.
  std::string LastProblem;
  int LastProblemPrintFile = 0;
  // The templates of the letters of the current print file, read for its first letter: a
  // template edited while a run is under way is used as it was when the run began.
  std::shared_ptr<TemplateSet> Templates;
  std::string TemplatesName;
  int TemplatesPrintFile = 0;
  // The working copies of a template line and of the line EmitLine fills, reused so that
  // merging and printing a line allocate nothing.
  std::string TemplateLine;
  std::string LineText;
};

MergeState& Merging();
void ResetMerging();

// What one template call works with: page length, top margin, header text, decoding switch,
// the current format and how many formats the template has defined.
struct TemplateRun {
  int PageLength = 66;
  int TopMargin = 0;
  std::string Header;
  bool Decoding = false;
  int CurrentFormat = 0;
  int DefinedFormats = 0;
};

// Templates nest at most this deep (the outermost template is level 1).
constexpr int kMaxTemplateDepth = 16;

// The template file for a name: the name without trailing blanks, under the root's "TEXTOS\"
// unless it holds a drive (second character ":") or a "\", followed by ".txt".
std::string TemplatePath(std::string_view name);

// The name in an include line ("@+NAME" or "#+NAME"): from the third character up to the first
// double quote, blank, one of "*+,./:;<=>?[\]|" or byte above "~".
std::string IncludedName(std::string_view line);

// Merges template `name` with the merge data file at `merge_path` (empty: field codes are left
// as they are) into the open print file. `flag` is accepted for the caller's sake and not used.
// Every template the letter needs and the merge data file are read before anything is printed:
// when one of them cannot be read, or the templates include one another in a circle or deeper
// than kMaxTemplateDepth, the problem is reported to the operator, nothing is printed for this
// letter and the result is false. A problem just reported for the same print file is not shown
// again (a missing template would otherwise stop the run at every unit).
bool MergeTemplate(std::string_view name, std::string_view merge_path, bool flag);
// The same with the merge data as the letter just wrote it (null: field codes stay as they
// are), so the file need not be read back. The templates are read once per print file: the
// further letters of a run reuse them, with the paths they resolved to (a template changed
// during the run is not seen before the next run).
bool MergeTemplate(std::string_view name, const MergeTable* merge_data);

// Prints one line of text: a leading byte 1-9 selects the format for it and the lines after;
// the line is filled to the format's width and written line by line, starting a page when none
// is open or the current one is nearly full. Bytes 16, 17, 18 switch bold, underline, italic.
void EmitLine(TemplateRun& run, std::string_view line);

// Begins a page of the run's length: reset command on the first page of the document, page
// command, top margin and the header text ending at column 95.
void NewLetterPage(const TemplateRun& run);

// Routes problems with templates elsewhere (see MergeState::Reporter).
void SetMergeProblemReporter(MergeProblemReporter reporter);

}  // namespace zem
