#include "mailing/parameter_check.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "format/dates.h"
#include "format/number_check.h"
#include "format/text_utils.h"
#include "forms/form_engine.h"
#include "forms/form_tables.h"
#include "mailing/letter_mailing.h"
#include "screen/keyboard.h"
#include "screen/message.h"

namespace zem {

namespace {

constexpr int16_t kParameterScreen = 1;
constexpr int16_t kConfirmationScreen = 2;

std::string V(int16_t field) {
  return FieldValue(kParameterScreen, field);
}

// A count from the screen, held within the 16-bit range.
int16_t Count(int16_t field) {
  return static_cast<int16_t>(std::min(LeadingValue(V(field)), 32767.0));
}

void FillParameters(MailingParameters& p) {
  p.LetterDate = ParseDate(V(1));
  p.TemplateName = V(2);
  p.FirstCode = PackCode(V(3) + "." + V(4));
  p.LastCode = PackCode(V(5) + "." + V(6));
  p.StateSelector = V(7);
  p.MinCount = Count(8);
  p.MaxCount = Count(9);
  p.MinTotal = LeadingValue(V(10));
  p.MaxTotal = LeadingValue(V(11));
  p.OutputKind = V(12);
  p.LabelWidth = Count(13);
  p.LinesPerLabel = Count(14);
  p.LabelsPerPage = Count(15);
  p.LabelsAcross = 2;
}

}  // namespace

int16_t CheckParameters(int16_t screen, int16_t& key) {
  if (screen != kParameterScreen || key == keys::kEsc) return 0;
  MailingParameters& p = Mailing();
  FillParameters(p);
  bool redo = (p.OutputKind == "C" && IsAllChar(p.TemplateName, ' ')) || p.FirstCode > p.LastCode ||
              p.MinCount > p.MaxCount || p.MinTotal > p.MaxTotal;
  if (p.LabelsPerPage % p.LabelsAcross != 0) {
    redo = true;
    ShowMessageAndWait(12, FormText("LES ETIQUETES PER P\xb7GINA HAN DE SER DIVISIBLES PER ") +
                               NumberText(p.LabelsAcross));
  }
  if (!redo) {
    SetFieldValue(kConfirmationScreen, 1, "");
    RunScreen(kConfirmationScreen, 0, 0, key);
    redo = TrimBlanks(FieldValue(kConfirmationScreen, 1)) != "S";
  }
  return redo ? -1 : 0;
}

void InstallParameterScreen() {
  Form().CompletionCheck = CheckParameters;
  SetParameterScreen([](MailingParameters&) {
    int16_t key = 0;
    RunScreen(kParameterScreen, 0, 0, key);
    return key != keys::kEsc;
  });
}

}  // namespace zem
