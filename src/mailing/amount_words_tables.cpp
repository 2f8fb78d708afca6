#include "mailing/amount_words_tables.h"

namespace zem {
namespace {

const NumberWords kSpanish = {
    {"", "cien", "doscient", "trescient", "cuatrocient", "quinient", "seiscient", "setecient",
     "ochocient", "novecient"},
    {"", "dieci", "veint", "treinta", "cuarenta", "cincuenta", "sesenta", "setenta", "ochenta",
     "noventa"},
    {"", "un", "dos", "tres", "cuatro", "cinco", "seis", "siete", "ocho", "nueve", "diez", "once",
     "doce", "trece", "catorce", "quince", ""},
    {"mill", "mil", "con"},
    " c\x82ntimos",
    " c\x82ntimo",
    15,
    "\xa2n ",
    "ones ",
    // The accented forms: diecis\x82is, veintid\xa2s, veintitr\x82s, veintis\x82is.
    {nullptr, nullptr, "d\xa2s", "tr\x82s", nullptr, nullptr, "s\x82is"},
};

const NumberWords kGalician = {
    {"", "ce", "cent", "trescent", "quatrocent", "quinhent", "seiscent", "setecient", "oitocent",
     "novecent"},
    {"", "deza", "vinte", "trinta", "quarenta",
     "cinq\x81"
     "enta",
     "sessenta", "setenta", "oitenta", "noventa"},
    {"", "u", "d", "tr\x88s", "quatro", "cinco", "seis", "sete", "oito", "nove", "dez", "onze",
     "doze", "treze", "catorze", "quinze", ""},
    {"milh", "mil", "com"},
    " c\x82ntimos",
    " c\x82ntimo",
    15,
    "om ",
    "ons ",
    {},
};

const NumberWords kAranese = {
    {"", "cent", "", "", "", "", "", "", "", ""},
    {"", "d\x8atz", "vint", "trenta", "quaranta", "cinquanta", "seishanta", "setanta", "ueitanta",
     "nauanta"},
    {"", "u", "du", "tres", "quate", "cinc", "sies", "s\x8at", "ueit", "nau", "d\x8atz", "onze",
     "dotze", "tretze", "catorze", "quinze", "setze"},
    {"milion", "mil", "damb"},
    " centims",
    " centim",
    16,
    " ",
    "s ",
    {},
};

const NumberWords kCatalan = {
    {"", "cent", "", "", "", "", "", "", "", ""},
    {"", "di", "vint", "trenta", "quaranta", "cinquanta", "seixanta", "setanta", "vuitanta",
     "noranta"},
    {"", "u", "d", "tres", "quatre", "cinc", "sis", "set", "vuit", "nou", "deu", "onze", "dotze",
     "tretze", "catorze", "quinze", "setze"},
    {"mili", "mil", "amb"},
    " c\x8antims",
    " c\x8antim",
    16,
    "\xa2 ",
    "ons ",
    {},
};

}  // namespace

WordsLanguage WordsLanguageFor(const std::string& code) {
  if (code == "SPA") return WordsLanguage::kSpanish;
  if (code == "GLG") return WordsLanguage::kGalician;
  if (code == "OCI") return WordsLanguage::kAranese;
  return WordsLanguage::kCatalan;
}

const NumberWords& WordsFor(WordsLanguage language) {
  switch (language) {
    case WordsLanguage::kSpanish:
      return kSpanish;
    case WordsLanguage::kGalician:
      return kGalician;
    case WordsLanguage::kAranese:
      return kAranese;
    case WordsLanguage::kCatalan:
      break;
  }
  return kCatalan;
}

}  // namespace zem
