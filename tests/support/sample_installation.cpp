#include "support/sample_installation.h"

#include <tuple>

#include "format/dates.h"
#include "mailing/letter_mailing.h"
#include "mailing/print_file.h"
#include "platform/program_state.h"
#include "startup/session.h"
#include "storage/file_table.h"
#include "storage/open_file.h"

namespace zem::testing {

SampleInstallation::SampleInstallation(const std::string& root, const std::string& last_code) {
  const std::string base = root + "/";
  env.Set("VAKROOT", base);
  env.Set("VAKEXE", base + "EXE/");
  env.Set("VAKTMP", base + "TMP/");
  platform::Services& services = platform::Current();
  services.env = &env;
  services.clock = &clock;
  services.processes = &processes;
  ResetProgramState();
  LoadSession();
  LoadLetterhead();
  for (auto [id, name, area] : {std::tuple{kTextsFileId, "DADES\\Textos", &texts_},
                                std::tuple{kPropertiesFileId, "DADES\\FinquesV", &properties_},
                                std::tuple{kUnitsFileId, "DADES\\DepartaV", &units_},
                                std::tuple{kReceiptsFileId, "DADES\\CobramV", &receipts_}}) {
    if (OpenDataFile(id, Session().RootDir + name, area) != 0) {
      problem_ = std::string("cannot open ") + name;
      return;
    }
  }
  MailingParameters& parameters = Mailing();
  parameters.LetterDate = Session().SessionDate;
  parameters.FirstCode = PackCode("1.0");
  parameters.LastCode = PackCode(last_code);
}

SampleInstallation::~SampleInstallation() {
  ResetRecordManager();
  ResetProgramState();
}

std::string SampleInstallation::PrintFile() const {
  return platform::Files().HostPath(Session().WorkDir + "vakprint.tmp");
}

}  // namespace zem::testing
