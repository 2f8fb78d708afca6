#include "forms/form_loader.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "forms/form_tables.h"
#include "platform/files.h"
#include "platform/services.h"

namespace zem {

namespace {

using platform::TextReader;
using Item = TextReader::Item;

// No screen holds a value longer than the screen has cells; a larger size is a damaged file
// that would only make the program reserve memory for nothing.
constexpr int32_t kMaxValueLength = 80 * 25;

// Where and why reading stopped.
struct Stop {
  int line = 0;
  std::string problem;
};

class FormReader {
 public:
  explicit FormReader(std::string bytes) : reader_(std::move(bytes)) {}

  // Reads every step into `form`; false with `stop` filled when the file is malformed.
  bool ReadAll(FormState& form) {
    if (!reader_.SkipCommentLines()) return true;
    int32_t screen_count = 0, max_fields = 0;
    if (!Size(&screen_count, kHeaderEnds, INT16_MAX) || !Size(&max_fields, kHeaderEnds, INT16_MAX))
      return false;
    form.MaxFields = static_cast<int16_t>(max_fields);
    form.Screens.assign(static_cast<size_t>(screen_count), FormScreen{});
    for (FormScreen& screen : form.Screens) {
      if (!reader_.SkipCommentLines()) return true;
      if (!ReadScreen(form.MaxFields, screen)) return false;
    }
    if (!reader_.SkipCommentLines()) return true;
    int32_t browse_count = 0;
    if (!Size(&browse_count, kHeaderEnds, INT16_MAX)) return false;
    form.PickLists.assign(static_cast<size_t>(browse_count), PickList{});
    for (PickList& list : form.PickLists) {
      if (!reader_.SkipCommentLines()) return true;
      if (!ReadPickList(list)) return false;
    }
    return true;
  }

  const Stop& stop() const { return stop_; }

 private:
  static constexpr const char* kHeaderEnds =
      "EL FITXER ACABA DINS DE LA CAP\x80"
      "ALERA";
  static constexpr const char* kScreenEnds = "EL FITXER ACABA DINS D'UNA PANTALLA";
  static constexpr const char* kPickListEnds = "EL FITXER ACABA DINS D'UNA LLISTA";

  // Reports the line the item being read starts on.
  bool Fail(const char* problem) {
    stop_ = Stop{item_line_, FormText(problem)};
    return false;
  }

  bool Number(int32_t* value, const char* ends) {
    item_line_ = reader_.LineNumber();
    if (reader_.ReadNumberItem(value) == Item::kEnd) return Fail(ends);
    return true;
  }
  // A 16-bit number; values beyond the range are held at its ends.
  bool Short(int16_t* value, const char* ends) {
    int32_t number = 0;
    if (!Number(&number, ends)) return false;
    *value = static_cast<int16_t>(std::clamp<int32_t>(number, INT16_MIN, INT16_MAX));
    return true;
  }
  // A count or width: from 0 to `limit`.
  bool Size(int32_t* value, const char* ends, int32_t limit) {
    if (!Number(value, ends)) return false;
    if (*value < 0 || *value > limit) return Fail("UNA MIDA \x90S NEGATIVA O MASSA GRAN");
    return true;
  }
  bool Text(std::string* text, const char* ends) {
    item_line_ = reader_.LineNumber();
    switch (reader_.ReadTextItem(text)) {
      case Item::kRead:
        return true;
      case Item::kEnd:
        return Fail(ends);
      case Item::kUnclosedQuote:
        return Fail("UN TEXT T\x90 LES COMETES SENSE TANCAR");
    }
    return Fail(ends);
  }

  bool ReadScreen(int16_t max_fields, FormScreen& screen) {
    int32_t field_count = 0;
    if (!Text(&screen.ExitKeys, kScreenEnds) || !Size(&field_count, kScreenEnds, INT16_MAX))
      return false;
    if (field_count > max_fields)
      return Fail(
          "UNA PANTALLA T\x90 M\x90S CAMPS DELS QUE DIU LA CAP\x80"
          "ALERA");
    screen.FieldCount = static_cast<int16_t>(field_count);
    if (!Short(&screen.NextScreen, kScreenEnds) || !Short(&screen.Window.Top, kScreenEnds) ||
        !Short(&screen.Window.Left, kScreenEnds) || !Short(&screen.Window.Bottom, kScreenEnds) ||
        !Short(&screen.Window.Right, kScreenEnds))
      return false;
    screen.Fields.assign(static_cast<size_t>(field_count), FormField{});
    for (FormField& field : screen.Fields) {
      if (!ReadField(field)) return false;
    }
    return true;
  }

  bool ReadField(FormField& field) {
    int32_t length = 0, line_width = 0, info_width = 0;
    if (!Short(&field.Row, kScreenEnds) || !Short(&field.Column, kScreenEnds) ||
        !Text(&field.Label, kScreenEnds) || !Size(&length, kScreenEnds, kMaxValueLength) ||
        !Size(&line_width, kScreenEnds, kMaxValueLength) ||
        !Size(&info_width, kScreenEnds, kMaxValueLength) || !Short(&field.Flags, kScreenEnds) ||
        !Short(&field.Kind, kScreenEnds) || !Short(&field.Browse, kScreenEnds) ||
        !Text(&field.Choices, kScreenEnds))
      return false;
    field.Length = static_cast<int16_t>(length);
    field.LineWidth = static_cast<int16_t>(line_width);
    field.InfoWidth = static_cast<int16_t>(info_width);
    field.Value.assign(static_cast<size_t>(length), ' ');
    field.Label = FormText(field.Label);
    field.Choices = FormText(field.Choices);
    return true;
  }

  bool ReadPickList(PickList& list) {
    if (!Short(&list.FileId, kPickListEnds) || !Short(&list.KeyNumber, kPickListEnds) ||
        !Short(&list.Top, kPickListEnds) || !Short(&list.Left, kPickListEnds) ||
        !Short(&list.Bottom, kPickListEnds) || !Short(&list.Right, kPickListEnds) ||
        !Short(&list.FilterScreen, kPickListEnds) || !Text(&list.Heading, kPickListEnds) ||
        !Short(&list.SubBrowse, kPickListEnds))
      return false;
    list.Heading = FormText(list.Heading);
    return true;
  }

  TextReader reader_;
  int item_line_ = 0;
  Stop stop_;
};

void ClearTables(FormState& form) {
  form.MaxFields = 0;
  form.Screens.clear();
  form.PickLists.clear();
}

}  // namespace

FormLoadResult LoadScreenFormBytes(std::string bytes) {
  FormState& form = Form();
  ClearTables(form);
  FormReader reader(std::move(bytes));
  if (reader.ReadAll(form)) return FormLoadResult{};
  ClearTables(form);
  return FormLoadResult{FormLoadResult::Outcome::kMalformed, reader.stop().line,
                        reader.stop().problem};
}

FormLoadResult LoadScreenForm(const std::string& path) {
  std::string bytes;
  if (!platform::Files().ReadFile(path, &bytes)) {
    ClearTables(Form());
    return FormLoadResult{FormLoadResult::Outcome::kMissing, 0,
                          FormText("NO ES POT LLEGIR EL FITXER DE PANTALLES")};
  }
  return LoadScreenFormBytes(std::move(bytes));
}

}  // namespace zem
