#include "program/main_sequence.h"

#include "format/dates.h"
#include "forms/calculator_calendar_hooks.h"
#include "forms/form_loader.h"
#include "forms/form_tables.h"
#include "mailing/letter_mailing.h"
#include "mailing/parameter_check.h"
#include "platform/program_state.h"
#include "platform/services.h"
#include "screen/keyboard.h"
#include "screen/message.h"
#include "startup/catalogue.h"
#include "startup/session.h"
#include "storage/file_table.h"
#include "storage/open_file.h"

namespace zem {

ProgramState& Program() {
  static ProgramState state;
  return state;
}

void ResetProgram() {
  Program() = ProgramState{};
}

std::string ScreenFormPath() {
  return Session().RootDir + "FORMS\\" + kProgramId + ".QFM";
}

std::array<std::string, 15> ParameterDefaults() {
  return {DateFieldText(Session().SessionDate),
          "",
          "1",
          "0",
          "999",
          "999",
          "T",
          "1",
          "99",
          "1",
          "2000000000",
          "C",
          "45",
          "9",
          "16"};
}

namespace {

// Why the screen form cannot be used, for the operator.
std::string FormProblemMessage(const FormLoadResult& load) {
  std::string text = load.outcome == FormLoadResult::Outcome::kMissing
                         ? Translate("NO ES POT LLEGIR EL FORMULARI DE PANTALLA")
                         : Translate("EL FORMULARI DE PANTALLA NO \x90S V\xb7LID");
  text += " " + platform::Files().HostPath(ScreenFormPath());
  if (load.outcome == FormLoadResult::Outcome::kMalformed) {
    text += " (" + Translate("L\xd6NIA") + " " + std::to_string(load.line) + ": " +
            Translate(load.problem) + ")";
  }
  return text;
}

void OpenDataFiles() {
  ProgramState& p = Program();
  const std::string& root = Session().RootDir;
  OpenDataFile(kTextsFileId, root + "DADES\\Textos", &p.Texts);
  OpenDataFile(kPropertiesFileId, root + "DADES\\FinquesV", &p.Properties);
  OpenDataFile(kUnitsFileId, root + "DADES\\DepartaV", &p.Units);
  OpenDataFile(kReceiptsFileId, root + "DADES\\CobramV", &p.Receipts);
}

}  // namespace

ZEM_REGISTER_STATE_RESET(ResetProgram);

int RunProgram() {
  ResetProgramState();  // also creates the merge engine's work table
  platform::Screen().SetCursorShape(platform::CursorShape::kHidden);
  InstallPopups();
  LoadSession();
  if (!Session().RootDir.empty()) platform::Files().ChangeDir(Session().RootDir);

  Form().TranslateText = Translate;
  const FormLoadResult load = LoadScreenForm(ScreenFormPath());
  if (load.outcome != FormLoadResult::Outcome::kLoaded) {
    Program().FatalMessage = FormProblemMessage(load);
    ShowMessageAndWait(12, Program().FatalMessage);
    return 255;
  }
  const std::string catalogue_problem = CatalogueProblem();
  if (!catalogue_problem.empty()) ShowMessageAndWait(12, catalogue_problem);

  const std::array<std::string, 15> defaults = ParameterDefaults();
  for (int16_t field = 1; field <= 15; ++field) SetFieldValue(1, field, defaults[field - 1]);

  OpenDataFiles();
  InstallParameterScreen();
  RunLetterMailing();
  CloseAllFiles();
  ResetRecordManager();
  return 0;
}

}  // namespace zem
