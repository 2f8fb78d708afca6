#include "mailing/template_merge.h"

#include <algorithm>
#include <map>
#include <vector>

#include "format/leading_number.h"
#include "format/text_utils.h"
#include "mailing/field_codes.h"
#include "mailing/print_file.h"
#include "platform/program_state.h"
#include "platform/services.h"
#include "screen/message.h"
#include "startup/catalogue.h"
#include "startup/session.h"

namespace zem {

// Templates read for a letter, by resolved file path: their lines and the number of template
// levels each one brings (itself and its deepest include); and the resolved path of every
// template name met.
struct TemplateSet {
  std::map<std::string, std::vector<std::string>> lines;
  std::map<std::string, int> levels;
  std::map<std::string, std::string, std::less<>> paths;
};

namespace {

constexpr char kInstruction = '\x7f';

struct MergeContext {
  const TemplateSet* templates;
  const MergeTable* merge_data;  // null: field codes stay as they are
};

void Report(const std::string& text) {
  MergeState& merge = Merging();
  if (text == merge.LastProblem && Printing().Opened == merge.LastProblemPrintFile) return;
  merge.LastProblem = text;
  merge.LastProblemPrintFile = Printing().Opened;
  if (merge.Reporter) {
    merge.Reporter(text);
  } else {
    ShowMessageAndWait(12, text);
  }
}

std::string ResolvedPath(std::string_view name) {
  return platform::Files().HostPath(TemplatePath(name));
}

// The resolved path of a name the set has met; resolved afresh otherwise.
std::string ResolvedPath(const TemplateSet& set, std::string_view name) {
  auto known = set.paths.find(name);
  return known != set.paths.end() ? known->second : ResolvedPath(name);
}

bool IsIncludeLine(std::string_view line) {
  return line.size() >= 2 && (line[0] == '@' || line[0] == '#') && line[1] == '+';
}

// Reads the template and, through its include lines, every template it pulls in. Stops with
// a text for the operator at a file that cannot be read, at a template that includes itself
// (directly or through others) and at nesting deeper than kMaxTemplateDepth.
bool LoadTemplates(std::string_view name, int level, std::vector<std::string>& chain,
                   TemplateSet& set, std::string* problem) {
  const std::string path = ResolvedPath(set, name);
  set.paths.emplace(std::string(name), path);
  if (std::find(chain.begin(), chain.end(), path) != chain.end()) {
    *problem = Translate("AQUESTA PLANTILLA S'INCLOU A SI MATEIXA: ") + TemplatePath(name);
    return false;
  }
  auto known = set.levels.find(path);
  if (known == set.levels.end()) {
    if (level > kMaxTemplateDepth) {
      *problem = Translate("MASSA NIVELLS DE PLANTILLES INCLOSES A ") + TemplatePath(name);
      return false;
    }
    std::string bytes;
    if (!platform::Files().ReadFile(TemplatePath(name), &bytes)) {
      *problem = Translate("NO ES POT LLEGIR LA PLANTILLA ") + TemplatePath(name);
      return false;
    }
    chain.push_back(path);
    int deepest = 0;
    std::vector<std::string> lines;
    platform::TextReader reader(std::move(bytes));
    while (!reader.AtEnd()) {
      lines.push_back(reader.ReadLine());
      const std::string& line = lines.back();
      if (!IsIncludeLine(line)) continue;  // instruction lines begin with byte 127
      const std::string included = IncludedName(line);
      if (!LoadTemplates(included, level + 1, chain, set, problem)) return false;
      deepest = std::max(deepest, set.levels[ResolvedPath(set, included)]);
    }
    chain.pop_back();
    set.lines[path] = std::move(lines);
    known = set.levels.emplace(path, deepest + 1).first;
  }
  if (level + known->second - 1 > kMaxTemplateDepth) {
    *problem = Translate("MASSA NIVELLS DE PLANTILLES INCLOSES A ") + TemplatePath(name);
    return false;
  }
  return true;
}

std::string_view Part(std::string_view text, size_t pos, size_t count = std::string_view::npos) {
  return pos >= text.size() ? std::string_view() : text.substr(pos, count);
}

// A format definition: byte 127, left margin (2 digits), right margin (2), indent (3, a "-"
// allowed), then the alignment letter as the line's last character. Fills the template's next
// entry; the table has room for nine, further definitions are ignored.
void DefineFormat(TemplateRun& run, std::string_view line) {
  if (run.DefinedFormats >= static_cast<int>(Merging().Formats.size()) - 1) return;
  LineFormat& format = Merging().Formats[++run.DefinedFormats];
  format.Left = static_cast<int16_t>(LeadingNumber(Part(line, 1, 2)));
  format.Right = static_cast<int16_t>(LeadingNumber(Part(line, 3, 2)));
  format.Indent = static_cast<int16_t>(LeadingNumber(Part(line, 5, 3)));
  format.Alignment = line.back();
}

void ApplyInstruction(TemplateRun& run, std::string_view line) {
  const char selector = line.size() > 1 ? line[1] : '\0';
  const std::string_view rest = Part(line, 2);
  switch (selector) {
    case 'P':
      run.PageLength = LeadingNumber(rest);
      break;
    case 'S':
      run.TopMargin = LeadingNumber(rest);
      break;
    case 'L':
      run.Header = std::string(rest);
      break;
    case 'A':
    case 'T':
      break;
    case 'C':
      run.Decoding = rest.empty();
      break;
    default:
      DefineFormat(run, line);
      break;
  }
}

void Decode(std::string& line) {
  for (char& c : line) {
    auto byte = static_cast<unsigned char>(c);
    if (byte > 32 && byte < 223) c = static_cast<char>(255 - byte);
  }
}

// A skip line "@.n" (or "#.n", leading blanks allowed) moves down to line n of the page body,
// counted round the page length less 6 (a remainder with the sign of n, so a page shorter than 6
// lines counts round a negative divisor). A page of exactly 6 lines leaves nothing to count
// round and does not wrap the count.
bool SkipLine(const TemplateRun& run, std::string_view line) {
  std::string_view text = Part(line, std::min(line.find_first_not_of(' '), line.size()));
  if (text.size() < 2 || (text[0] != '@' && text[0] != '#') || text[1] != '.') return false;
  const int n = LeadingNumber(text.substr(2));
  const int body = run.PageLength - 6;
  const int target = body != 0 ? (n - 1) % body + 1 : n;
  PrintText(0, "", target - Printing().CurrentLine - 1);
  return true;
}

void RunTemplate(const MergeContext& context, std::string_view name) {
  MergeState& merge = Merging();
  auto found = context.templates->lines.find(ResolvedPath(*context.templates, name));
  if (found == context.templates->lines.end() || merge.Depth >= kMaxTemplateDepth) return;
  ++merge.Depth;
  const bool new_document = merge.PageCount == 0;

  TemplateRun run;
  merge.Formats[0] = kStandardFormat;
  // The template's lines are changed only in this copy, whose room every run of a template
  // (included ones too) reuses.
  std::string& line = merge.TemplateLine;
  for (const std::string& stored : found->second) {
    line = stored;
    if (!line.empty() && line[0] == kInstruction) {
      ApplyInstruction(run, line);
      continue;
    }
    if (IsIncludeLine(line)) {
      // "#+" ends the document after the included text: the next line begins a first page.
      const bool ends_document = line[0] == '#';
      RunTemplate(context, IncludedName(line));
      if (ends_document) merge.PageCount = 0;
      continue;
    }
    if (run.Decoding) Decode(line);
    if (SkipLine(run, line)) continue;
    if (context.merge_data) {
      // A line without a marker is left as it is at the cost of one scan.
      ReplaceFieldCodes(line, *context.merge_data,
                        [&run](const std::string& text) { EmitLine(run, text); });
    }
    EmitLine(run, line);
  }

  if (new_document) merge.PageCount = 0;
  --merge.Depth;
}

// Reads the template and its includes into `set`; a problem goes to the operator.
bool LoadOrReport(std::string_view name, TemplateSet& set) {
  std::vector<std::string> chain;
  std::string problem;
  if (LoadTemplates(name, 1, chain, set, &problem)) return true;
  Report(problem);
  return false;
}

void RunMerge(const TemplateSet& templates, std::string_view name, const MergeTable* merge_data) {
  RunTemplate(MergeContext{&templates, merge_data}, name);
  Merging().LastProblem.clear();
}

}  // namespace

MergeState& Merging() {
  static MergeState state;
  return state;
}

void ResetMerging() {
  Merging() = MergeState{};
}
ZEM_REGISTER_STATE_RESET(ResetMerging);

void SetMergeProblemReporter(MergeProblemReporter reporter) {
  Merging().Reporter = std::move(reporter);
}

std::string TemplatePath(std::string_view name) {
  const std::string trimmed = TrimTrailingBlanks(name);
  const bool own_path =
      (trimmed.size() > 1 && trimmed[1] == ':') || trimmed.find('\\') != std::string::npos;
  return (own_path ? "" : Session().RootDir + "TEXTOS\\") + trimmed + ".txt";
}

std::string IncludedName(std::string_view line) {
  static constexpr std::string_view kEnds = "\" *+,./:;<=>?[\\]|";
  std::string name;
  for (char c : Part(line, 2)) {
    if (kEnds.find(c) != std::string_view::npos || static_cast<unsigned char>(c) > '~') break;
    name += c;
  }
  return name;
}

bool MergeTemplate(std::string_view name, std::string_view merge_path, bool /*flag*/) {
  // The templates are looked at first: a template problem is the one the operator sees.
  TemplateSet templates;
  if (!LoadOrReport(name, templates)) return false;
  std::string merge_data;
  if (!merge_path.empty() && !platform::Files().ReadFile(std::string(merge_path), &merge_data)) {
    Report(Translate("NO ES POT LLEGIR EL FITXER DE DADES ") + std::string(merge_path));
    return false;
  }
  const MergeTable table(merge_data);
  RunMerge(templates, name, merge_path.empty() ? nullptr : &table);
  return true;
}

bool MergeTemplate(std::string_view name, const MergeTable* merge_data) {
  MergeState& merge = Merging();
  const int print_file = Printing().Opened;
  if (!merge.Templates || merge.TemplatesName != name || merge.TemplatesPrintFile != print_file) {
    auto templates = std::make_shared<TemplateSet>();
    if (!LoadOrReport(name, *templates)) return false;
    merge.Templates = std::move(templates);
    merge.TemplatesName = std::string(name);
    merge.TemplatesPrintFile = print_file;
  }
  RunMerge(*merge.Templates, name, merge_data);
  return true;
}

}  // namespace zem
