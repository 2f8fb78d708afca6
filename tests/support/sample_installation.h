#pragma once

#include <string>

#include "platform/services.h"
#include "support/fake_clock.h"
#include "support/map_environment.h"
#include "support/recording_process_runner.h"

namespace zem::testing {

// The program's services over an installation on disk (a root made by scripts/make_sample.sh,
// or a generated portfolio laid out the same way), as a mailing run finds them: the host file
// system and the real record manager, VAKROOT, VAKEXE and VAKTMP pointing into the root, the
// sample session's date (8 December 2026) and a process runner that only records the spooler.
// The program state is reset, the session and letterhead loaded, the texts, properties, units
// and receipts files open and the parameters at the parameter screen's defaults, the codes
// running from 1.0 to `last_code`. Everything is undone when the object goes.
class SampleInstallation {
 public:
  explicit SampleInstallation(const std::string& root, const std::string& last_code = "999.999");
  ~SampleInstallation();
  SampleInstallation(const SampleInstallation&) = delete;
  SampleInstallation& operator=(const SampleInstallation&) = delete;

  // Empty when everything above is in place, else what is not (a data file that did not open).
  const std::string& problem() const { return problem_; }
  // The print file of the work directory, as a host path.
  std::string PrintFile() const;

  platform::HostServices host;
  platform::MapEnvironment env;
  platform::FakeClock clock{{2026, 12, 8}};
  platform::RecordingProcessRunner processes;

 private:
  std::string problem_;
  std::string texts_, properties_, units_, receipts_;
};

}  // namespace zem::testing
