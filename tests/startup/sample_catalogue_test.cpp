// The sample catalogue against the texts it must translate: every label, choice list and
// heading of the sample form, and every message literal the program passes to Translate.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/cp850.h"
#include "platform/files.h"
#include "platform/services.h"
#include "support/fake_services.h"
#include "startup/catalogue.h"
#include "startup/sample_files.h"
#include "startup/session.h"

namespace zem {
namespace {

namespace fs = std::filesystem;
using platform::TextReader;
using Record = std::vector<std::string>;  // Catalan, Galician, Aranese, Spanish
using testing::InstalledSample;
using testing::ReadSourceFile;

struct FormText {
  std::string what;  // "label", "choices" or "heading"
  std::string text;
};

// Label, choices and heading texts of a screen form file, in file order.
std::vector<FormText> FormTexts(const std::string& form) {
  TextReader reader(form);
  auto number = [&] {
    int32_t value = 0;
    EXPECT_EQ(reader.ReadNumberItem(&value), TextReader::Item::kRead);
    return value;
  };
  auto text = [&] {
    std::string item;
    EXPECT_EQ(reader.ReadTextItem(&item), TextReader::Item::kRead);
    return item;
  };
  auto skip = [&](int count) {
    for (int i = 0; i < count; ++i) number();
  };
  std::vector<FormText> texts;
  reader.SkipCommentLines();
  const int screens = number();
  skip(1);
  for (int s = 0; s < screens; ++s) {
    reader.SkipCommentLines();
    text();  // the exit keys are not translated
    const int fields = number();
    skip(5);
    for (int f = 0; f < fields; ++f) {
      skip(2);
      texts.push_back({"label", text()});
      skip(6);
      texts.push_back({"choices", text()});
    }
  }
  reader.SkipCommentLines();
  const int lists = number();
  for (int b = 0; b < lists; ++b) {
    reader.SkipCommentLines();
    skip(7);
    texts.push_back({"heading", text()});
    skip(1);
  }
  return texts;
}

// One C++ string literal, or adjacent ones, starting at `at` (a double quote); `at` ends past
// the last one.
std::string ParseLiteral(const std::string& source, size_t& at) {
  std::string value;
  while (at < source.size() && source[at] == '"') {
    for (++at; at < source.size() && source[at] != '"'; ++at) {
      if (source[at] != '\\') {
        value += source[at];
        continue;
      }
      const char escape = source[++at];
      if (escape == 'x') {
        int code = 0;
        while (std::isxdigit(static_cast<unsigned char>(source[at + 1])))
          code = code * 16 + std::stoi(std::string(1, source[++at]), nullptr, 16);
        value += static_cast<char>(code);
      } else {
        value += escape == 'n' ? '\n' : escape == 'r' ? '\r' : escape == 't' ? '\t' : escape;
      }
    }
    ++at;
    while (at < source.size() && std::isspace(static_cast<unsigned char>(source[at]))) ++at;
  }
  return value;
}

struct Literal {
  std::string where;
  std::string text;
  bool whole;  // the call's argument is that literal alone
};

// The literal arguments of every Translate call in the program's sources.
std::vector<Literal> TranslatedLiterals() {
  std::vector<Literal> literals;
  for (const auto& entry : fs::recursive_directory_iterator(fs::path(ZEM_SOURCE_DIR) / "src")) {
    const std::string name = entry.path().string();
    if (name.size() < 4 || (name.substr(name.size() - 4) != ".cpp" && name.back() != 'h')) continue;
    const std::string source = ReadSourceFile(entry.path());
    const std::string call = "Translate(";
    for (size_t at = source.find(call); at != std::string::npos; at = source.find(call, at)) {
      at += call.size();
      size_t begin = at;
      while (begin < source.size() && std::isspace(static_cast<unsigned char>(source[begin])))
        ++begin;
      if (source[begin] != '"') continue;  // a text made at run time, such as a form label
      size_t end = begin;
      std::string text = ParseLiteral(source, end);
      literals.push_back({entry.path().filename().string(), text, source[end] == ')'});
    }
  }
  return literals;
}

// Choice codes of a choice list: the text between each "|" and the comma after it.
std::vector<std::string> ChoiceCodes(const std::string& choices) {
  std::vector<std::string> codes;
  for (size_t bar = choices.find('|'); bar != std::string::npos; bar = choices.find('|', bar + 1))
    codes.push_back(choices.substr(bar + 1, choices.find(',', bar) - bar - 1));
  return codes;
}

class SampleCatalogueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bytes_ = InstalledSample("sample/LOCALE/ZEMBRALO.LNG");
    TextReader reader(bytes_);
    for (;;) {
      Record record(4);
      TextReader::Item read = reader.ReadTextItem(&record[0]);
      if (read == TextReader::Item::kEnd) break;
      for (size_t i = 1; i < 4 && read == TextReader::Item::kRead; ++i)
        read = reader.ReadTextItem(&record[i]);
      ASSERT_EQ(read, TextReader::Item::kRead) << "record after " << records_.size() << " ones";
      records_.push_back(record);
    }
  }

  // The record of a Catalan text, or null.
  const Record* Find(const std::string& key) const {
    for (const Record& record : records_) {
      if (record[0] == key) return &record;
    }
    return nullptr;
  }

  std::string bytes_;
  std::vector<Record> records_;
};

TEST_F(SampleCatalogueTest, RecordsAreWholeAndKeysUnique) {
  ASSERT_FALSE(records_.empty());
  std::map<std::string, int> keys;
  for (const Record& record : records_) {
    EXPECT_FALSE(record[0].empty()) << "an empty key would translate every empty choice list";
    EXPECT_EQ(++keys[record[0]], 1) << "key twice: " << platform::Cp850ToUtf8(record[0]);
    for (size_t i = 1; i < 4; ++i)
      EXPECT_FALSE(record[i].empty()) << platform::Cp850ToUtf8(record[0]) << " item " << i + 1;
  }
}

TEST_F(SampleCatalogueTest, EveryFormTextHasAFittingRecord) {
  const std::vector<FormText> texts = FormTexts(InstalledSample("sample/FORMS/ZEMBRALO.QFM"));
  ASSERT_GT(texts.size(), 30u);
  for (const FormText& t : texts) {
    if (t.text.empty()) continue;  // an empty choice list is no choice list in any language
    const std::string shown = t.what + " " + platform::Cp850ToUtf8(t.text);
    const Record* record = Find(t.text);
    if (record == nullptr) {
      ADD_FAILURE() << "no catalogue record for the " << shown;
      continue;
    }
    for (size_t i = 1; i < 4; ++i) {
      const std::string& translation = (*record)[i];
      // The value starts right after its label and the list columns under their heading
      // words: a translation of another length would move them.
      // The codes are what the program stores and compares; only the descriptions change.
      if (t.what != "choices") {
        EXPECT_EQ(translation.size(), t.text.size()) << shown << " " << i;
      } else {
        EXPECT_EQ(ChoiceCodes(translation), ChoiceCodes(t.text)) << shown;
      }
    }
  }
}

TEST_F(SampleCatalogueTest, EveryTranslatedMessageHasARecord) {
  const std::vector<Literal> literals = TranslatedLiterals();
  ASSERT_GT(literals.size(), 10u);
  for (const Literal& literal : literals) {
    const std::string shown = literal.where + ": " + platform::Cp850ToUtf8(literal.text);
    EXPECT_TRUE(literal.whole) << "one literal per Translate call, so it can be a key: " << shown;
    EXPECT_NE(Find(literal.text), nullptr) << "no catalogue record for " << shown;
  }
}

TEST_F(SampleCatalogueTest, TranslateGivesEachLanguagesItem) {
  platform::FakeServices services;
  ResetSession();
  ResetCatalogue();
  services.files.AddFile("/LOCALE/ZEMBRALO.LNG", bytes_);
  const char* languages[] = {"GLG", "OCI", "SPA"};
  for (const Record& record : records_) {
    for (size_t i = 0; i < 3; ++i) {
      Session().Language = languages[i];
      EXPECT_EQ(Translate(record[0]), record[i + 1]) << platform::Cp850ToUtf8(record[0]);
    }
  }
  Session().Language = "SPA";
  EXPECT_EQ(CatalogueProblem(), "");
  ResetSession();
  ResetCatalogue();
}

}  // namespace
}  // namespace zem
