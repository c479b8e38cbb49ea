// Random writes and deletes against a model of sections and keys: every read agrees with the
// model, and the file always has the engine's shape.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>

#include "frame/exports.h"
#include "ini_support.h"

namespace {

using Model = std::map<std::u16string, std::map<std::u16string, std::u16string>>;

// Names that overlap on purpose: one is the ending or the start of another.
const char16_t* const kSections[] = {u"A", u"AA", u"BA", u"Net"};
const char16_t* const kKeys[] = {u"APN", u"MMSAPN", u"k", u"kk", u"Port"};

std::u16string RandomValue(std::mt19937& random) {
  static const std::u16string alphabet = u"xyAPN=[] 0123\u4E2D";
  std::u16string value;
  for (int n = std::uniform_int_distribution<>(0, 8)(random); n > 0; --n)
    value += alphabet[std::uniform_int_distribution<size_t>(0, alphabet.size() - 1)(random)];
  return value;
}

// Every line is a header "[name]", a key line "  key=value", or empty (a deletion at the end
// leaves the line end that stood before the deleted line).
bool HasEngineShape(const std::u16string& text) {
  if (text.empty()) return true;
  size_t start = 0;
  for (;;) {
    size_t end = text.find(u"\r\n", start);
    std::u16string line = text.substr(start, end == text.npos ? text.npos : end - start);
    bool header = line.size() >= 3 && line.front() == u'[' && line.back() == u']';
    bool key = line.size() >= 4 && line.starts_with(u"  ") && line.find(u'=') != line.npos;
    if (!header && !key && !line.empty()) return false;
    if (end == text.npos) return true;
    start = end + 2;
  }
}

class IniModelTest : public IniTest {};

TEST_F(IniModelTest, RandomWritesAgreeWithTheModel) {
  Put(u"");
  Model model;
  std::mt19937 random(20261207);
  for (int step = 0; step < 300; ++step) {
    const char16_t* section = kSections[random() % std::size(kSections)];
    const char16_t* key = kKeys[random() % std::size(kKeys)];
    int op = static_cast<int>(random() % 10);
    if (op < 7) {
      std::u16string value = RandomValue(random);
      ASSERT_EQ(IniWriteStringEx(section, key, value.c_str(), kPath), 1);
      model[section][key] = value;
    } else if (op < 9) {
      ASSERT_EQ(IniWriteStringEx(section, key, nullptr, kPath), 1);
      if (model.count(section)) model[section].erase(key);
    } else {
      ASSERT_EQ(IniWriteStringEx(section, nullptr, nullptr, kPath), 1);
      model.erase(section);
    }

    std::u16string text = Text();
    ASSERT_TRUE(HasEngineShape(text)) << "step " << step << ": " << U8(text);
    for (const char16_t* s : kSections) {
      ASSERT_EQ(IsExistAppEx(s, kPath), model.count(s) ? 1 : 0) << "step " << step;
      for (const char16_t* k : kKeys) {
        LPWSTR value = nullptr;
        INT found = IniReadStringEx(s, k, &value, kPath);
        bool expected = model.count(s) && model[s].count(k);
        ASSERT_EQ(found, expected ? 1 : 0)
            << "step " << step << " [" << U8(s) << "] " << U8(k) << " in " << U8(text);
        if (expected) {
          ASSERT_EQ(std::u16string(value), model[s][k]) << "step " << step;
        }
        delete[] value;
      }
    }
  }
}

}  // namespace
