#include "mailing/merge_data.h"

#include <algorithm>

#include "format/dates.h"
#include "format/edit_mask.h"
#include "format/text_utils.h"
#include "mailing/amount_in_words.h"
#include "platform/services.h"
#include "startup/session.h"

namespace zem {
namespace {

constexpr char kNameMark[] = "\x7f";
constexpr char kValueEnd[] = "\xff";
constexpr char kLineEnd[] = "\r\n";
constexpr char kAmountPicture[] = "Z,ZZZ,ZZZ,ZZ9-";

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// The text after the first blank; empty when there is none.
std::string AfterFirstBlank(const std::string& text) {
  size_t blank = text.find(' ');
  return blank == std::string::npos ? std::string() : text.substr(blank + 1);
}

int DigitsValue(const std::string& digits) {
  int value = 0;
  for (char c : digits) {
    if (c >= '0' && c <= '9') value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace

std::string MergeDataPath() {
  return Session().WorkDir + "merge.tmp";
}

std::array<std::string, 5> LetterDateValues(const std::string& letter_date) {
  const std::string long_form = FormatDate(letter_date, 2, "dma");
  const std::string date = letter_date.size() >= 4 ? letter_date : std::string(4, '\x80');
  const int day = DigitsValue(UnpackDigits(date.substr(3, 1)));
  const int year = DigitsValue(UnpackDigits(date.substr(0, 2)));
  const std::string day_words = AmountInWords(day, "m");
  const std::string month_and_year = AfterFirstBlank(long_form);
  const std::string month =
      month_and_year.substr(0, month_and_year.size() - std::min<size_t>(5, month_and_year.size()));
  return {
      Lower(FormatDate(letter_date, 0, "dma")),
      Lower(FormatDate(letter_date, 1, "dma")),
      Lower(long_form),
      Lower(day_words + " " + month_and_year),
      Lower(day_words + " " + month + " " + AmountInWords(year, "m")),
  };
}

std::string ReceiptListItem(int index, const std::string& date, double amount) {
  std::string item;
  AppendReceiptListItem(item, index, date, amount);
  return item;
}

void AppendReceiptListItem(std::string& out, int index, const std::string& date, double amount) {
  if (index % 3 == 0) out.append(10, ' ');
  // The date trimmed of blanks (a zero date is all blanks), in a column of 11.
  const size_t start = out.size();
  AppendNumericDate(out, date, "dma");
  const std::string_view shown = std::string_view(out).substr(start);
  const size_t first = shown.find_first_not_of(' ');
  const size_t length =
      first == std::string_view::npos ? 0 : shown.find_last_not_of(' ') + 1 - first;
  if (first != std::string_view::npos && first > 0) out.erase(start, first);
  out.resize(start + std::max<size_t>(length, 11), ' ');
  out += FormatAmount(kAmountPicture, amount);
  out += "   ";
  if (index % 3 == 2) out += kLineEnd;
}

MergeDataWriter::MergeDataWriter(const std::string& path)
    : owned_(platform::Files().OpenRewritten(path)), file_(owned_.get()) {}

MergeDataWriter::MergeDataWriter(platform::RewrittenFile* file) : file_(file) {}

MergeDataWriter::MergeDataWriter(platform::RewrittenFile* file, std::string room)
    : file_(file), bytes_(std::move(room)) {
  bytes_.clear();
}

MergeDataWriter::~MergeDataWriter() {
  if (file_) Close();
}

void MergeDataWriter::Write(std::string_view bytes) {
  if (ok()) bytes_.append(bytes);
}

namespace {
// A name line and its value, as the merge engine reads them.
void AppendEntry(std::string& out, std::string_view name, std::string_view value) {
  out += kNameMark;
  out += name;
  out += kLineEnd;
  out += value;
  out += kValueEnd;
  out += kLineEnd;
}
}  // namespace

void MergeDataWriter::WriteEntry(std::string_view name, std::string_view value) {
  if (ok()) AppendEntry(bytes_, name, value);
}

void MergeDataWriter::WriteHeading(const std::array<std::string, 8>& letterhead,
                                   const std::array<std::string, 5>& dates,
                                   const std::array<std::string, 5>& address) {
  // The letterhead and the letter's dates are the same for every letter of a run: their
  // entries are made when they change and copied otherwise.
  struct Made {
    std::array<std::string, 8> letterhead;
    std::array<std::string, 5> dates;
    std::string bytes;
    bool valid = false;
  };
  static Made made;
  if (!made.valid || made.letterhead != letterhead || made.dates != dates) {
    made.letterhead = letterhead;
    made.dates = dates;
    made.bytes.clear();
    for (size_t i = 0; i < letterhead.size(); ++i) {
      AppendEntry(made.bytes, "MEM" + std::to_string(i + 1), letterhead[i]);
    }
    static constexpr const char* kDateNames[] = {"FEC0", "FEC1", "FECHA", "FEC3", "FEC4"};
    for (size_t i = 0; i < dates.size(); ++i) AppendEntry(made.bytes, kDateNames[i], dates[i]);
    made.valid = true;
  }
  Write(made.bytes);
  for (size_t i = 0; i < address.size(); ++i) {
    WriteEntry("DES" + std::to_string(i), address[i]);
  }
  WriteEntry("DES5", "");
}

void MergeDataWriter::BeginReceipts(int count, double total) {
  WriteEntry("NUMREB", FormatMask("ZZZ9", count));
  WriteEntry("TOTPEN", FormatAmount(kAmountPicture, total));
  Write(kNameMark);
  Write("RELPEN");
  Write(kLineEnd);
  Write("\x01");
  receipts_ = 0;
}

void MergeDataWriter::AddReceipt(const std::string& date, double amount) {
  if (ok()) AppendReceiptListItem(bytes_, receipts_, date, amount);
  ++receipts_;
}

void MergeDataWriter::EndReceipts() {
  Write(kValueEnd);
  Write(kLineEnd);
}

bool MergeDataWriter::Close() {
  if (!file_) return false;
  if (!failed_ && !file_->Rewrite(bytes_)) failed_ = true;
  const bool closed = owned_ == nullptr || owned_->Close();
  owned_.reset();
  file_ = nullptr;
  return closed && !failed_;
}

}  // namespace zem
