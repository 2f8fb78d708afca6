// One reminder letter: the unit's merge data file and the template merged from it, and the
// scan of the unit's receipts that counts them and keeps them for the letter's list.
#include "format/text_utils.h"
#include "mailing/letter_mailing.h"
#include "mailing/merge_data.h"
#include "mailing/template_merge.h"
#include "platform/services.h"
#include "startup/catalogue.h"
#include "storage/file_table.h"
#include "storage/record_ops.h"

namespace zem {
namespace {

// A receipt's amount in hundredths: a 32-bit little-endian integer at offset 13.
int32_t ReceiptAmount(const std::string& receipt) {
  uint32_t bits = 0;
  for (size_t i = 4; i-- > 0;) {
    const size_t at = 13 + i;
    bits = (bits << 8) | static_cast<unsigned char>(at < receipt.size() ? receipt[at] : 0);
  }
  return static_cast<int32_t>(bits);
}

}  // namespace

void ScanReceipts() {
  const MailingParameters& parameters = Mailing();
  MailingRunState& run = MailingRun();
  run.ReceiptCount = 0;
  run.ReceiptTotal = 0;
  run.Receipts.clear();
  const std::string unit_code = RecordArea(kUnitsFileId).substr(0, 4);
  const std::string wanted = TrimTrailingBlanks(parameters.StateSelector);
  // Labels need the count and the total only; a letter lists the receipts.
  const bool listed = parameters.OutputKind == "C";
  int16_t status = FindByKey(kReceiptsFileId, 0, unit_code, 1);
  while (status == 0) {
    const std::string& receipt = RecordArea(kReceiptsFileId);
    if (receipt.compare(0, 4, unit_code) > 0) break;
    const char state = receipt.size() > 17 ? receipt[17] : ' ';
    if (StateSelected(state, wanted)) {
      const int32_t amount = ReceiptAmount(receipt);
      if (listed) run.Receipts.push_back({receipt.substr(4, 4), amount});
      ++run.ReceiptCount;
      run.ReceiptTotal += amount;
    }
    status = MoveRecords(kReceiptsFileId, 1);
  }
}

bool WriteLetter() {
  const MailingParameters& parameters = Mailing();
  MailingRunState& run = MailingRun();
  const std::string path = MergeDataPath();
  platform::FileSystem& files = platform::Files();
  if (run.MergeFile == nullptr || run.MergeFileSystem != &files || run.MergeFilePath != path) {
    CloseMergeFile();
    run.MergeFile = files.OpenRewritten(path);
    run.MergeFileSystem = &files;
    run.MergeFilePath = path;
  }
  // The bytes of each letter's file are written in the room of the one before.
  static std::string room;
  MergeDataWriter merge(run.MergeFile.get(), std::move(room));
  merge.WriteHeading(Letterhead().Lines, run.LetterDates, run.AddressLines);
  merge.BeginReceipts(run.ReceiptCount, run.ReceiptTotal);
  for (const MailingRunState::SelectedReceipt& receipt : run.Receipts) {
    merge.AddReceipt(receipt.Date, receipt.Amount);
  }
  merge.EndReceipts();
  if (!merge.Close()) {
    run.MergeFile.reset();
    TellOperator(Translate("NO ES POT ESCRIURE EL FITXER DE DADES ") + path);
    return false;
  }
  // The template takes the values as just written; the file stays for whoever reads it (it
  // holds them already: a rewriting is not buffered). The
  // table is kept from letter to letter so that its room is reused.
  static MergeTable table;
  table.Assign(merge.bytes());
  room = merge.TakeBytes();
  return MergeTemplate(parameters.TemplateName, &table);
}

void CloseMergeFile() {
  MailingRunState& run = MailingRun();
  if (run.MergeFile != nullptr) run.MergeFile->Close();
  run.MergeFile.reset();
}

}  // namespace zem
