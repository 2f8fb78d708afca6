// Templates with an included template and merge data: whatever the merge engine writes to the
// print file, the spooler's reader reads. The input holds the letter template, the template it
// may include as "@+CAPCAL" (or "#+CAPCAL"), a second one ("@+B") and the merge data file, kept
// apart by the part separator.
#include "fuzz_check.h"
#include "mailing/letter_mailing.h"
#include "mailing/print_file.h"
#include "mailing/template_merge.h"
#include "platform/program_state.h"
#include "platform/services.h"
#include "startup/session.h"
#include "support/fake_services.h"
#include "tools/vakprint/spool/text_render.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<std::string> parts = zem::fuzz::SplitParts(
      std::string_view(reinterpret_cast<const char*>(data), size), zem::fuzz::kPartSeparator, 4);
  zem::platform::FakeServices services;
  zem::ResetProgramState();
  zem::Session().RootDir = "C:\\R\\";
  zem::Session().WorkDir = "C:\\R\\TMP\\";
  zem::Session().Language = "CAT";
  services.files.MakeDir("/R/TMP");
  services.files.AddFile("/R/TEXTOS/CARTA.txt", parts[0]);
  services.files.AddFile("/R/TEXTOS/CAPCAL.txt", parts[1]);
  services.files.AddFile("/R/TEXTOS/B.txt", parts[2]);
  services.files.AddFile("/R/TMP/merge.tmp", parts[3]);
  zem::SetMergeProblemReporter([](const std::string&) {});

  FUZZ_CHECK(zem::OpenPrintFile("LPT1"), "print file not opened");
  zem::MergeTemplate("CARTA", "C:\\R\\TMP\\merge.tmp", true);
  FUZZ_CHECK(zem::ClosePrintFile(), "print file not closed");
  const zem::vakprint::PrintRendering rendering =
      zem::vakprint::RenderPrintFile(services.files.Contents("/R/TMP/vakprint.tmp"));
  FUZZ_CHECK(rendering.ok, "the spooler refuses line " + std::to_string(rendering.error_line) +
                               ": " + rendering.error);
  zem::SetMergeProblemReporter({});
  zem::ResetProgramState();
  return 0;
}
