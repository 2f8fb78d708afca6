#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace zem {

// The letter mailing: the parameter screen, then a walk over the units of the chosen
// properties with outstanding receipts, writing a reminder letter (or an address label, two
// across) for every unit whose selected receipts fall within the limits, then the print
// spooler; again until the operator leaves the parameter screen with Esc.

// File ids the mailing reads under.
constexpr int16_t kTextsFileId = 60;
constexpr int16_t kPropertiesFileId = 506;
constexpr int16_t kUnitsFileId = 507;
constexpr int16_t kReceiptsFileId = 509;

// What the operator asked for on the parameter screen. Codes are packed digits: FirstCode and
// LastCode are property (2 bytes) then unit (2 bytes); LetterDate is a packed date (4 bytes).
struct MailingParameters {
  std::string LetterDate;
  std::string TemplateName;
  std::string FirstCode;
  std::string LastCode;
  std::string StateSelector = "T";  // "T" selects states "P" and "D"
  int16_t MinCount = 1;
  int16_t MaxCount = 99;
  double MinTotal = 1;  // hundredths
  double MaxTotal = 2000000000;
  std::string OutputKind = "C";  // "C" letters, anything else address labels
  int16_t LabelWidth = 45;
  int16_t LinesPerLabel = 9;
  int16_t LabelsPerPage = 16;
  int16_t LabelsAcross = 2;
};

// The parameters of the current run (filled by the parameter screen's completion check).
MailingParameters& Mailing();
void ResetMailing();

// The label line buffer has this many lines.
constexpr int kLabelLines = 100;

// The parameter screen: fills the parameters and returns true, or false when the operator
// leaves with Esc. The form engine installs the real screen (SetParameterScreen); until one is
// installed the mailing has no parameters to work with and leaves at once. An empty function
// restores that.
using ParameterScreen = std::function<bool(MailingParameters&)>;

// Working state of a run, and the parameter screen that starts each one.
struct MailingRunState {
  ParameterScreen Screen;
  std::array<std::string, 5> AddressLines;  // DES0 to DES4
  std::array<std::string, 5> LetterDates;   // FEC0 to FEC4, the same for every letter of a run
  std::array<std::string, kLabelLines> LabelLines;
  int LabelsInRow = 0;
  bool PageOpen = false;
  int PageLines = 0;
  int ReceiptCount = 0;
  double ReceiptTotal = 0;  // hundredths
  // The current unit's selected receipts, as the counting scan found them, for its letter.
  struct SelectedReceipt {
    std::string Date;    // packed
    int32_t Amount = 0;  // hundredths
  };
  std::vector<SelectedReceipt> Receipts;
  int UnitsWritten = 0;  // letters or labels produced by the run
  // The merge data file, opened at the run's first letter and rewritten for every one after,
  // and the file system and path it was opened with; closed when the run's output is done.
  std::unique_ptr<platform::RewrittenFile> MergeFile;
  platform::FileSystem* MergeFileSystem = nullptr;
  std::string MergeFilePath;
};
MailingRunState& MailingRun();
void ResetMailingRun();

// The administrator's letterhead lines MEM1 to MEM8, read once from the user file
// (root + "Nera.ini", section "Administrador"; a missing key is an empty line).
struct LetterheadState {
  bool Loaded = false;
  std::array<std::string, 8> Lines;
};
LetterheadState& Letterhead();
void ResetLetterhead();
// Reads the lines unless they are loaded already.
void LoadLetterhead();

void SetParameterScreen(ParameterScreen screen);

// The main loop: parameter screen, run, spooler, until Esc.
void RunLetterMailing();

// Why label parameters cannot be used (a width of 0 or less makes the label columns endless,
// more than 100 lines per label overrun the label buffer, less than a row of labels per page
// leaves a page without lines, more than 32767 lines a page cannot be counted), as a message for
// the operator in code page 850; empty when they are fine or the output is letters.
std::string LabelParameterProblem(const MailingParameters& parameters);

// One run with the current parameters: opens the print file, produces the letters or labels,
// closes the print file and runs the spooler (ExeDir + "VAKPRINT") and waits for it. When the
// print file cannot be created or fully written the operator is told, the spooler is not run
// and the result is false.
bool RunOneMailing();

// Clears the run's working state: no page open, no labels pending, empty label lines, and the
// lines a label page holds and the letter date's values from the parameters.
void StartMailingRun();

// The walk over properties, units and receipts that produces the output into the open print
// file (no print file handling, no spooler).
void ProduceMailingOutput();

// Shows a message for the operator on row 12 and waits for a key.
void TellOperator(const std::string& text);

// For the unit in the units file's record area: writes the merge data file (work directory +
// "merge.tmp") and merges the template into a letter in the print file. False when the letter
// could not be produced (the merge data file or a template could not be used).
bool WriteLetter();

// Closes the merge data file WriteLetter keeps open for the run's letters, if it is open.
void CloseMergeFile();

// Counts and totals the current unit's selected receipts into ReceiptCount and ReceiptTotal
// and keeps them in Receipts: the letter lists the very receipts it counted (NUMREB, TOTPEN
// and RELPEN agree even when another program changes a receipt meanwhile), with one scan.
void ScanReceipts();

// Whether a receipt in state `state` is selected by `selector` ("T": "P" and "D").
bool ReceiptSelected(char state, const std::string& selector);
// The same with the selector's trailing blanks already trimmed (once for a whole scan).
bool StateSelected(char state, std::string_view wanted);

// The five address lines of a unit from its property and unit records, written into `lines`
// (their room is reused from unit to unit).
void BuildAddressLines(const std::string& property, const std::string& unit,
                       std::array<std::string, 5>& lines);

// Adds the current address lines as the next label of the row; prints the row when full.
void AddLabel();
// Prints the pending label row (one or two labels) and clears it.
void PrintLabelRow();

}  // namespace zem
