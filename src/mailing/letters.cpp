// One reminder letter: the unit's merge data file and the template merged from it, and the
// scan of the unit's receipts that both counts them and lists them in the merge data file.
#include <cstdlib>

#include "format/dates.h"
#include "format/edit_mask.h"
#include "mailing/amount_in_words.h"
#include "mailing/letter_mailing.h"
#include "mailing/template_merge.h"
#include "platform/services.h"
#include "startup/session.h"
#include "storage/record_ops.h"

namespace zem {
namespace {

constexpr const char* kAmountPicture = "Z,ZZZ,ZZZ,ZZ9-";

// The merge data file of the current letter, built in memory and written whole; null while
// the receipts are only counted.
std::string*& MergeText() {
  static std::string* text = nullptr;
  return text;
}

// An entry's name line: byte 127, the name, CR LF.
std::string NameLine(const std::string& name) {
  return "\x7f" + name + "\r\n";
}
// The end of an entry's value: byte 255, CR LF.
const char kValueEnd[] = "\xff\r\n";

std::string Entry(const std::string& name, const std::string& value) {
  return NameLine(name) + value + kValueEnd;
}

// Letters A to Z to a to z; other bytes unchanged.
std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

std::string Trimmed(const std::string& text) {
  size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

int32_t ReceiptAmount(const std::string& receipt) {
  uint32_t bits = 0;
  for (size_t i = 4; i-- > 0;) {
    const size_t at = 13 + i;
    bits = (bits << 8) | static_cast<unsigned char>(at < receipt.size() ? receipt[at] : 0);
  }
  return static_cast<int32_t>(bits);
}

// Entries MEM1 to DES5: letterhead, the letter date in three forms and in words, the address.
std::string LetterEntries(const std::string& letter_date,
                          const std::array<std::string, 5>& address) {
  std::string text;
  const LetterheadState& letterhead = Letterhead();
  for (size_t i = 0; i < letterhead.Lines.size(); ++i) {
    text += Entry("MEM" + std::to_string(i + 1), letterhead.Lines[i]);
  }
  const std::string fecha = Lower(FormatDate(letter_date, 2, "dma"));
  const std::string digits = UnpackDigits(letter_date);
  const std::string day_words =
      AmountInWords(digits.size() >= 8 ? std::atoi(digits.substr(6, 2).c_str()) : 0, "m");
  const std::string year_words =
      AmountInWords(digits.size() >= 4 ? std::atoi(digits.substr(0, 4).c_str()) : 0, "m");
  const size_t blank = fecha.find(' ');
  const std::string after_day =
      blank == std::string::npos ? std::string() : fecha.substr(blank + 1);
  const std::string month_part =
      after_day.size() > 5 ? after_day.substr(0, after_day.size() - 5) : std::string();
  text += Entry("FEC0", Lower(FormatDate(letter_date, 0, "dma")));
  text += Entry("FEC1", Lower(FormatDate(letter_date, 1, "dma")));
  text += Entry("FECHA", fecha);
  text += Entry("FEC3", Lower(day_words + " " + after_day));
  text += Entry("FEC4", Lower(day_words + " " + month_part + " " + year_words));
  for (size_t i = 0; i < address.size(); ++i) {
    text += Entry("DES" + std::to_string(i), address[i]);
  }
  text += Entry("DES5", "");
  return text;
}

}  // namespace

void ScanReceipts(bool writing) {
  const MailingParameters& parameters = Mailing();
  MailingRunState& run = MailingRun();
  std::string* merge = writing ? MergeText() : nullptr;
  if (merge) {
    *merge += Entry("NUMREB", FormatMask("ZZZ9", run.ReceiptCount));
    *merge += Entry("TOTPEN", FormatAmount(kAmountPicture, run.ReceiptTotal));
    *merge += NameLine("RELPEN") + "\x01";
  }
  run.ReceiptCount = 0;
  run.ReceiptTotal = 0;
  const std::string unit_code = RecordArea(kUnitsFileId).substr(0, 4);
  int16_t status = FindByKey(kReceiptsFileId, 0, unit_code, 1);
  while (status == 0) {
    const std::string& receipt = RecordArea(kReceiptsFileId);
    if (receipt.compare(0, 4, unit_code) > 0) break;
    const char state = receipt.size() > 17 ? receipt[17] : ' ';
    if (ReceiptSelected(state, parameters.StateSelector)) {
      const int32_t amount = ReceiptAmount(receipt);
      if (merge) {
        if (run.ReceiptCount % 3 == 0) merge->append(10, ' ');
        std::string date = Trimmed(FormatDate(receipt.substr(4, 4), 0, "dma"));
        if (date.size() < 11) date.resize(11, ' ');
        *merge += date + FormatAmount(kAmountPicture, amount) + "   ";
        if (run.ReceiptCount % 3 == 2) *merge += "\r\n";
      }
      ++run.ReceiptCount;
      run.ReceiptTotal += amount;
    }
    status = MoveRecords(kReceiptsFileId, 1);
  }
  if (merge) *merge += kValueEnd;
}

bool WriteLetter() {
  const MailingParameters& parameters = Mailing();
  const MailingRunState& run = MailingRun();
  std::string text = LetterEntries(parameters.LetterDate, run.AddressLines);
  MergeText() = &text;
  ScanReceipts(true);
  MergeText() = nullptr;
  const std::string path = Session().WorkDir + "merge.tmp";
  if (!platform::Files().WriteFile(path, text)) return false;
  return MergeTemplate(parameters.TemplateName, path, true);
}

}  // namespace zem
