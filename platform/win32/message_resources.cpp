//===- platform/win32/message_resources.cpp - String tables --------------===//
//
// The texts are read with LoadStringA from a string table: the executable's
// own, or that of a language resource file, a module of resources alone,
// loaded as data. The language resource file is looked for once, beside the
// executable: its path with the text after the last full stop replaced by
//
//  1. an override language code, when one is set in the registry: the first
//     of these keys that opens is read, its value named by the executable's
//     full long path, else its default value, a string of one to four
//     characters:
//       HKEY_CURRENT_USER\Software\Vexmor\Locales
//       HKEY_LOCAL_MACHINE\Software\Vexmor\Locales
//       HKEY_CURRENT_USER\Software\Vexmor\Locale Overrides
//  2. the thread locale's abbreviated language name, such as DEU;
//  3. its first two letters, such as DE.
//
// The first that loads supplies the texts for the rest of the run. A path
// without a full stop, or no candidate that loads, leaves the executable's.
//
//===----------------------------------------------------------------------===//

#include "platform/message_resources.h"

#include "platform/win32/module_path.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <optional>
#include <string>

namespace vexmor {
namespace {

HMODULE LanguageFile = nullptr;
bool Searched = false;

struct RegistryKey {
  HKEY Root;
  const char *Path;
};

constexpr DWORD MaxCodeLength = 4;

/// A string value of one to four characters; nothing for any other.
std::optional<std::string> ReadCode(HKEY Key, const char *ValueName) {
  // Room for four characters and the stored terminator, and one byte more
  // that stays zero, for a value stored without one.
  char Code[MaxCodeLength + 2] = {};
  DWORD Type = 0;
  DWORD Size = MaxCodeLength + 1;
  if (RegQueryValueExA(Key, ValueName, nullptr, &Type,
                       reinterpret_cast<BYTE *>(Code),
                       &Size) != ERROR_SUCCESS ||
      Type != REG_SZ)
    return std::nullopt;
  std::string Result(Code);
  if (Result.empty() || Result.size() > MaxCodeLength)
    return std::nullopt;
  return Result;
}

std::optional<std::string> OverrideCode(const std::string &ExecutablePath) {
  // Here, not at namespace scope: the predefined keys are not constants.
  const RegistryKey LocaleOverrideKeys[] = {
      {HKEY_CURRENT_USER, "Software\\Vexmor\\Locales"},
      {HKEY_LOCAL_MACHINE, "Software\\Vexmor\\Locales"},
      {HKEY_CURRENT_USER, "Software\\Vexmor\\Locale Overrides"},
  };
  for (const RegistryKey &Candidate : LocaleOverrideKeys) {
    HKEY Key;
    if (RegOpenKeyExA(Candidate.Root, Candidate.Path, 0, KEY_QUERY_VALUE,
                      &Key) != ERROR_SUCCESS)
      continue;
    std::optional<std::string> Code = ReadCode(Key, ExecutablePath.c_str());
    if (!Code)
      Code = ReadCode(Key, nullptr);
    RegCloseKey(Key);
    return Code; // only the first key that opens counts
  }
  return std::nullopt;
}

/// The executable's full path with long names, or nothing.
std::optional<std::string> ExecutablePath() {
  const std::optional<std::string_view> Found = ModuleFilePath(nullptr);
  if (!Found)
    return std::nullopt;
  const std::string Path(*Found);
  // With too small a buffer, GetLongPathNameA gives the size it needs.
  std::string Long(Path.size() + 1, '\0');
  DWORD LongLength = GetLongPathNameA(Path.c_str(), Long.data(),
                                      static_cast<DWORD>(Long.size()));
  if (LongLength >= Long.size()) {
    Long.resize(LongLength);
    LongLength = GetLongPathNameA(Path.c_str(), Long.data(),
                                  static_cast<DWORD>(Long.size()));
  }
  if (LongLength > 0 && LongLength < Long.size()) {
    Long.resize(LongLength);
    return Long;
  }
  return Path;
}

std::optional<std::string> AbbreviatedLanguageName() {
  char Name[16];
  if (GetLocaleInfoA(GetThreadLocale(), LOCALE_SABBREVLANGNAME, Name,
                     sizeof Name) <= 1)
    return std::nullopt;
  return std::string(Name);
}

/// The ANSI calls take no path of MAX_PATH characters or more; the wide ones
/// do, given an extended-length path (\\?\ before a full path).
std::wstring ExtendedLengthPath(const std::string &Path) {
  std::string Extended;
  if (Path.rfind("\\\\?\\", 0) == 0)
    Extended = Path;
  else if (Path.rfind("\\\\", 0) == 0) // \\server\share\...
    Extended = "\\\\?\\UNC\\" + Path.substr(2);
  else
    Extended = "\\\\?\\" + Path;
  const int Count =
      MultiByteToWideChar(CP_ACP, 0, Extended.c_str(), -1, nullptr, 0);
  if (Count <= 0)
    return {};
  std::wstring Wide(static_cast<std::size_t>(Count), L'\0');
  MultiByteToWideChar(CP_ACP, 0, Extended.c_str(), -1, Wide.data(), Count);
  Wide.resize(static_cast<std::size_t>(Count - 1));
  return Wide;
}

HMODULE LoadAsData(const std::string &Path) {
  if (Path.size() < MAX_PATH)
    return LoadLibraryExA(Path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  const std::wstring Wide = ExtendedLengthPath(Path);
  if (Wide.empty())
    return nullptr;
  if (const HMODULE File =
          LoadLibraryExW(Wide.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE))
    return File;
  // Some loaders (Wine's) look a data file up in a buffer of MAX_PATH
  // characters whatever the path: its short form may fit.
  const DWORD ShortSize = GetShortPathNameW(Wide.c_str(), nullptr, 0);
  if (ShortSize == 0)
    return nullptr;
  std::wstring Short(ShortSize, L'\0');
  const DWORD ShortLength =
      GetShortPathNameW(Wide.c_str(), Short.data(), ShortSize);
  if (ShortLength == 0 || ShortLength >= ShortSize)
    return nullptr;
  Short.resize(ShortLength);
  return LoadLibraryExW(Short.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
}

HMODULE FindLanguageFile() {
  const std::optional<std::string> Path = ExecutablePath();
  if (!Path)
    return nullptr;
  const std::string::size_type Stop = Path->rfind('.');
  if (Stop == std::string::npos)
    return nullptr;
  const std::string Stem = Path->substr(0, Stop + 1);
  if (const std::optional<std::string> Code = OverrideCode(*Path))
    if (const HMODULE File = LoadAsData(Stem + *Code))
      return File;
  const std::optional<std::string> Language = AbbreviatedLanguageName();
  if (!Language)
    return nullptr;
  if (const HMODULE File = LoadAsData(Stem + *Language))
    return File;
  if (Language->size() > 2)
    return LoadAsData(Stem + Language->substr(0, 2));
  return nullptr;
}

} // namespace

void OpenMessageResources() {
  if (Searched)
    return;
  Searched = true;
  LanguageFile = FindLanguageFile();
}

std::size_t ReadMessageResource(std::uint16_t Id, char *Buffer,
                                std::size_t Size) {
  const HMODULE Texts = LanguageFile ? LanguageFile : GetModuleHandleA(nullptr);
  const int Length =
      LoadStringA(Texts, Id, Buffer,
                  static_cast<int>(std::min<std::size_t>(Size, INT_MAX)));
  return Length > 0 ? static_cast<std::size_t>(Length) : 0;
}

void CloseMessageResources() {
  if (LanguageFile)
    FreeLibrary(LanguageFile);
  LanguageFile = nullptr;
}

} // namespace vexmor
