#include "mailing/letter_mailing.h"

#include "format/dates.h"
#include "format/edit_mask.h"
#include "format/text_utils.h"
#include "mailing/merge_data.h"
#include "mailing/print_file.h"
#include "mailing/template_merge.h"
#include "platform/program_state.h"
#include "platform/services.h"
#include "screen/keyboard.h"
#include "screen/message.h"
#include "screen/windows.h"
#include "startup/catalogue.h"
#include "startup/session.h"
#include "storage/file_table.h"
#include "storage/record_ops.h"

namespace zem {
namespace {

// Byte-wise comparison of the first `length` bytes (shorter texts padded with NUL bytes), the
// order of packed codes.
int CompareCodes(std::string_view a, std::string_view b, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    const auto left = static_cast<unsigned char>(i < a.size() ? a[i] : '\0');
    const auto right = static_cast<unsigned char>(i < b.size() ? b[i] : '\0');
    if (left != right) return left < right ? -1 : 1;
  }
  return 0;
}

// Labels side by side (always 2 from the parameter screen; never 0, which would divide by 0).
int LabelsAcross(const MailingParameters& parameters) {
  return parameters.LabelsAcross > 0 ? parameters.LabelsAcross : 2;
}

}  // namespace

void TellOperator(const std::string& text) {
  ShowMessageAndWait(12, text);
}

MailingParameters& Mailing() {
  static MailingParameters parameters;
  return parameters;
}

void ResetMailing() {
  Mailing() = MailingParameters{};
}
ZEM_REGISTER_STATE_RESET(ResetMailing);

MailingRunState& MailingRun() {
  static MailingRunState state;
  return state;
}

void ResetMailingRun() {
  MailingRun() = MailingRunState{};
}
ZEM_REGISTER_STATE_RESET(ResetMailingRun);

void SetParameterScreen(ParameterScreen screen) {
  MailingRun().Screen = std::move(screen);
}

bool ReceiptSelected(char state, const std::string& selector) {
  return StateSelected(state, TrimTrailingBlanks(selector));
}

bool StateSelected(char state, std::string_view wanted) {
  if (wanted.size() != 1) return false;
  if (state == wanted[0]) return true;
  return wanted == "T" && (state == 'P' || state == 'D');
}

std::string LabelParameterProblem(const MailingParameters& parameters) {
  if (parameters.OutputKind == "C") return {};
  if (parameters.LabelWidth <= 0) {
    return Translate("L'AMPLADA DE L'ETIQUETA HA DE SER M\x90S GRAN QUE 0");
  }
  if (parameters.LinesPerLabel < 1 || parameters.LinesPerLabel > kLabelLines) {
    return Translate("LES L\xd6NIES PER ETIQUETA HAN DE SER ENTRE 1 I 100");
  }
  // A page without a whole row of labels has no lines and is full before anything is on it;
  // one of more lines than a page record can count wraps round. Either way every piece of text
  // would begin a page of its own.
  const int across = LabelsAcross(parameters);
  if (parameters.LabelsPerPage < across) {
    return Translate("EL NOMBRE M\xd6NIM D'ETIQUETES PER P\xb7GINA \x90S ") +
           std::to_string(across);
  }
  if ((parameters.LabelsPerPage / across) * parameters.LinesPerLabel > INT16_MAX) {
    return Translate("MASSA L\xd6NIES PER P\xb7GINA D'ETIQUETES");
  }
  return {};
}

void StartMailingRun() {
  const MailingParameters& parameters = Mailing();
  MailingRunState& run = MailingRun();
  run.PageOpen = false;
  run.LabelsInRow = 0;
  run.UnitsWritten = 0;
  run.PageLines = (parameters.LabelsPerPage / LabelsAcross(parameters)) * parameters.LinesPerLabel;
  for (std::string& line : run.LabelLines) line.clear();
  run.LetterDates = LetterDateValues(parameters.LetterDate);
}

void ProduceMailingOutput() {
  const MailingParameters& parameters = Mailing();
  MailingRunState& run = MailingRun();
  StartMailingRun();

  // A letter that cannot be produced (template or merge data file unreadable) would fail the
  // same way for every further unit, each time with a message to acknowledge: the walk stops.
  bool stopped = false;
  const std::string first_property = parameters.FirstCode.substr(0, 2);
  // The current property and unit records, copied into room kept for the whole walk.
  std::string property;
  std::string unit;
  int16_t property_status = FindByKey(kPropertiesFileId, 0, first_property, 1);
  while (property_status == 0 && !stopped) {
    property.assign(RecordArea(kPropertiesFileId));
    const std::string property_code = property.substr(0, 2);
    if (CompareCodes(property_code, parameters.LastCode, 2) > 0) break;
    int16_t unit_status = FindByKey(kUnitsFileId, 0, property_code, 1);
    while (unit_status == 0 && !stopped) {
      unit.assign(RecordArea(kUnitsFileId));
      if (CompareCodes(unit, property_code, 2) > 0) break;
      const bool in_range = CompareCodes(unit, parameters.FirstCode, 4) >= 0 &&
                            CompareCodes(unit, parameters.LastCode, 4) <= 0;
      if (in_range) {
        ScanReceipts();
        const bool within_limits =
            run.ReceiptCount >= parameters.MinCount && run.ReceiptCount <= parameters.MaxCount &&
            run.ReceiptTotal >= parameters.MinTotal && run.ReceiptTotal <= parameters.MaxTotal;
        if (within_limits) {
          BuildAddressLines(property, unit, run.AddressLines);
          if (parameters.OutputKind != "C") {
            AddLabel();
            ++run.UnitsWritten;
          } else if (WriteLetter()) {
            ++run.UnitsWritten;
          } else {
            stopped = true;
          }
        }
      }
      unit_status = MoveRecords(kUnitsFileId, 1);
    }
    property_status = MoveRecords(kPropertiesFileId, 1);
  }
  if (run.LabelsInRow != 0) PrintLabelRow();
  CloseMergeFile();
}

bool RunOneMailing() {
  // A print file that cannot be written must not reach the spooler: it would print whatever
  // an earlier run left in the work directory, or half of this run, as if all were well.
  if (!OpenPrintFile(Session().OutputDevice)) {
    TellOperator(Translate("NO ES POT CREAR EL FITXER D'IMPRESSI\xe0 ") + PrintFilePath());
    return false;
  }
  SetCurrency("p");
  ProduceMailingOutput();
  SetCurrency("");
  if (!ClosePrintFile()) {
    TellOperator(Translate("NO S'HA POGUT ESCRIURE TOT EL FITXER D'IMPRESSI\xe0 ") +
                 PrintFilePath());
    return false;
  }
  // The spooler runs after every run, also when nothing was selected; its exit code is not
  // looked at.
  const std::string spooler = platform::Files().HostPath(Session().ExeDir + "VAKPRINT");
  platform::RunAndWait(spooler, {});
  return true;
}

void RunLetterMailing() {
  LoadLetterhead();
  for (;;) {
    SetColour("n");
    platform::Screen().Clear();
    const ParameterScreen& screen = MailingRun().Screen;
    if (!screen || !screen(Mailing())) return;
    const std::string problem = LabelParameterProblem(Mailing());
    if (!problem.empty()) {
      TellOperator(problem);
      continue;
    }
    RunOneMailing();
  }
}

}  // namespace zem
