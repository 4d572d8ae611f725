//===- tests/meter/read_decimal_mark_test.cpp - The user's decimal mark -===//
//
// Reads the mark from real locales: the test compiles them with localedef
// into a folder of its own and points LOCPATH at it, then names them through
// LC_ALL, LC_NUMERIC and LANG.
//
//===----------------------------------------------------------------------===//

#include "meter/number_text.h"
#include "platform/locale.h"
#include "support/child_process.h"
#include "support/temporary_folder.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <locale.h>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vexmor {
namespace {

/// Sets environment variables for as long as it lives; puts back the values
/// it found.
class ScopedEnvironment {
public:
  ~ScopedEnvironment() {
    for (auto &[Name, Value] : Saved) {
      if (Value)
        setenv(Name.c_str(), Value->c_str(), 1);
      else
        unsetenv(Name.c_str());
    }
  }
  /// Sets Name to Value, or unsets it when Value is null.
  void Set(const std::string &Name, const char *Value) {
    bool Known = false;
    for (const auto &Entry : Saved)
      Known = Known || Entry.first == Name;
    if (!Known) {
      const char *Old = std::getenv(Name.c_str());
      Saved.emplace_back(Name,
                         Old ? std::optional<std::string>(Old) : std::nullopt);
    }
    if (Value)
      setenv(Name.c_str(), Value, 1);
    else
      unsetenv(Name.c_str());
  }

private:
  std::vector<std::pair<std::string, std::optional<std::string>>> Saved;
};

void CompileLocale(const std::string &Folder, const std::string &Source,
                   const std::string &Charmap) {
  const std::string Name = Source + "." + Charmap;
  const test::ChildResult Run = test::RunChild(
      {"/usr/bin/localedef", "-i", Source, "-f", Charmap, Folder + "/" + Name});
  ASSERT_EQ(Run.ExitCode, 0) << "localedef " << Name << ":\n" << Run.Stderr;
}

// A locale name no system has.
constexpr const char *Missing = "xx_NOWHERE.UTF-8";
constexpr const char *German = "de_DE.ISO-8859-1";
// Its separator is U+066B, two bytes in UTF-8.
constexpr const char *Pashto = "ps_AF.UTF-8";

TEST(ReadDecimalMarkTest, FollowsTheUsersNumericLocale) {
  test::TemporaryFolder Folder("vexmor-locales");
  ASSERT_FALSE(Folder.Path.empty());
  CompileLocale(Folder.Path, "de_DE", "ISO-8859-1");
  CompileLocale(Folder.Path, "ps_AF", "UTF-8");
  ASSERT_TRUE(!testing::Test::HasFatalFailure());

  ScopedEnvironment Environment;
  Environment.Set("LOCPATH", Folder.Path.c_str());

  struct Case {
    const char *All, *Numeric, *Lang;
    std::optional<std::string> Separator;
    char Mark;
  };
  const Case Cases[] = {
      {German, nullptr, nullptr, ",", ','},
      {nullptr, German, "C", ",", ','},
      {nullptr, nullptr, German, ",", ','},
      {"", German, nullptr, ",", ','},      // an empty setting is no setting
      {"C", German, German, ".", '.'},      // LC_ALL comes first
      {nullptr, "C", German, ".", '.'},     // then LC_NUMERIC
      {nullptr, German, Missing, ",", ','}, // only the numeric part counts
      {nullptr, nullptr, nullptr, ".", '.'},
      {"POSIX", nullptr, nullptr, ".", '.'},
      {Pashto, nullptr, nullptr, "\xD9\xAB", '.'},
      {Missing, nullptr, nullptr, std::nullopt, '.'},
      {nullptr, Missing, German, std::nullopt, '.'},
  };
  for (const Case &C : Cases) {
    SCOPED_TRACE(testing::Message()
                 << "LC_ALL=" << (C.All ? C.All : "(unset)")
                 << " LC_NUMERIC=" << (C.Numeric ? C.Numeric : "(unset)")
                 << " LANG=" << (C.Lang ? C.Lang : "(unset)"));
    Environment.Set("LC_ALL", C.All);
    Environment.Set("LC_NUMERIC", C.Numeric);
    Environment.Set("LANG", C.Lang);
    EXPECT_EQ(UserDecimalSeparator(), C.Separator);
    EXPECT_EQ(ReadDecimalMark(), C.Mark);
  }

  // The query built its own locale object: the process's stays "C".
  EXPECT_STREQ(std::setlocale(LC_ALL, nullptr), "C");
  EXPECT_EQ(uselocale(locale_t{}), LC_GLOBAL_LOCALE);
  EXPECT_STREQ(std::localeconv()->decimal_point, ".");
}

} // namespace
} // namespace vexmor
