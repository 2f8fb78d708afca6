#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "platform/files.h"

namespace zem {

// The merge data file "merge.tmp" in the work directory: the values one letter merges into its
// template, as entries of a name line (byte 127 + name, CR LF) and a value (text, byte 255,
// CR LF). Always all 22 entries, in this order: MEM1-MEM8, FEC0, FEC1, FECHA, FEC3, FEC4,
// DES0-DES5, NUMREB, TOTPEN, RELPEN.

// The file's full path: the session's work directory + "merge.tmp".
std::string MergeDataPath();

// The five date values FEC0, FEC1, FECHA, FEC3 and FEC4 of a letter date (packed), in lower
// case: short, short with the month's name, long, and the long form with the day (FEC3) and
// also the year (FEC4) in words.
std::array<std::string, 5> LetterDateValues(const std::string& letter_date);

// One item of the receipt list, the `index`-th (from 0): 10 blanks before every third item
// from the first, the date (trimmed, padded to 11), the amount in hundredths
// ("Z,ZZZ,ZZZ,ZZ9-"), 3 blanks, and CR LF after every third item.
std::string ReceiptListItem(int index, const std::string& date, double amount);
// The same, added to the end of `out`.
void AppendReceiptListItem(std::string& out, int index, const std::string& date, double amount);

// Writes the file in the order the letter mailing produces the values: entries 1-19 first,
// then, while it scans the unit's receipts, NUMREB and TOTPEN, the items of RELPEN and the end
// of RELPEN, then Close. Writing after a failure does nothing; ok() and Close() tell.
class MergeDataWriter {
 public:
  // Creates the file, or writes over an earlier one in place (cut to its new length on Close).
  explicit MergeDataWriter(const std::string& path);
  // Rewrites `file`, kept open by the caller for many letters, on Close; null is a file that
  // could not be opened.
  explicit MergeDataWriter(platform::RewrittenFile* file);
  // The same, the bytes written into the room of `room` (its contents are dropped), so that a
  // caller writing many files hands the room from one writer to the next.
  MergeDataWriter(platform::RewrittenFile* file, std::string room);
  ~MergeDataWriter();
  MergeDataWriter(const MergeDataWriter&) = delete;
  MergeDataWriter& operator=(const MergeDataWriter&) = delete;

  // False once the file could not be created or a write failed.
  bool ok() const { return file_ != nullptr && !failed_; }

  // Entries 1 to 19: MEM1-MEM8 as given, the five dates (LetterDateValues of the letter date),
  // DES0-DES4 as given and DES5 empty.
  void WriteHeading(const std::array<std::string, 8>& letterhead,
                    const std::array<std::string, 5>& dates,
                    const std::array<std::string, 5>& address);
  // NUMREB and TOTPEN from the counting pass, then the name of RELPEN and its byte 1.
  void BeginReceipts(int count, double total);
  // The next receipt of the list.
  void AddReceipt(const std::string& date, double amount);
  // Ends RELPEN's value.
  void EndReceipts();
  // Writes everything to the file in one go (closing it unless the caller keeps it open);
  // false when it could not be created or anything failed to reach it.
  bool Close();
  // The file's bytes as written (complete once Close succeeded).
  const std::string& bytes() const { return bytes_; }
  // The bytes handed over; the writer keeps none.
  std::string TakeBytes() { return std::move(bytes_); }

  // One whole entry (name line and value); used for the others and open to callers.
  void WriteEntry(std::string_view name, std::string_view value);

 private:
  void Write(std::string_view bytes);

  std::unique_ptr<platform::RewrittenFile> owned_;
  platform::RewrittenFile* file_;
  std::string bytes_;
  bool failed_ = false;
  int receipts_ = 0;
};

}  // namespace zem
