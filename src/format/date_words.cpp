#include "format/date_words.h"

#include <string_view>

#include "format/text_utils.h"

namespace zem {
namespace {

constexpr size_t kSlot = 10;

// Code page 850: \x87 c cedilla, \x8a e grave.
constexpr DateWords kSpanish = {" de ", " de ", " de ",
                                "enero     febrero   marzo     abril     mayo      junio     "
                                "julio     agosto    septiembreoctubre   noviembre diciembre "};
constexpr DateWords kGalician = {" de ", " de ", " do ",
                                 "janeiro   fevereiro mar\x87o     abril     maio      junho     "
                                 "julho     agosto    setembro  outubro   novembro  dezembro  "};
constexpr DateWords kAranese = {" de ", " d'", " deth ",
                                "g\x8ar       hereu\x8ar   mar\x87      abriu     mai       "
                                "junh      junhsega  agost     seteme    octobre   noveme    "
                                "deseme    "};
constexpr DateWords kCatalan = {" de ", " d'", " del ",
                                "gener     febrer    mar\x87      abril     maig      juny      "
                                "juliol    agost     setembre  octubre   novembre  desembre  "};

std::string_view Slot(const DateWords& words, int month) {
  if (month < 1 || month > 12) return {};
  return std::string_view(words.MonthSlots).substr(static_cast<size_t>(month - 1) * kSlot, kSlot);
}

}  // namespace

const DateWords& DateWordsFor(const std::string& language) {
  if (language == "SPA") return kSpanish;
  if (language == "GLG") return kGalician;
  if (language == "OCI") return kAranese;
  return kCatalan;
}

std::string MonthName(const DateWords& words, int month) {
  return TrimTrailingBlanks(Slot(words, month));
}

std::string ShortMonthName(const DateWords& words, int month) {
  return std::string(Slot(words, month).substr(0, 3));
}

}  // namespace zem
