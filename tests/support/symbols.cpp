//===- tests/support/symbols.cpp - Where a function lies in a built program =//

#include "symbols.h"

#include "child_process.h"

#include <sstream>

namespace vexmor::test {

std::optional<SymbolRange> FindFunction(const std::string &Binary,
                                        const std::string &Name) {
  const std::string Command =
      std::string(VEXMOR_NM) + " -C --defined-only -S '" + Binary + "'";
  std::istringstream Lines(CommandOutput(Command));
  std::string Line;
  while (std::getline(Lines, Line)) {
    // "0000000000001170 0000000000000123 T vexmor::MainBlock()"
    std::istringstream Fields(Line);
    std::string Value, Size, Type;
    if (!(Fields >> Value >> Size >> Type) || (Type != "T" && Type != "t"))
      continue;
    std::string Symbol;
    std::getline(Fields >> std::ws, Symbol);
    if (Symbol.rfind(Name, 0) == 0)
      return SymbolRange{std::stoull(Value, nullptr, 16),
                         std::stoull(Size, nullptr, 16)};
  }
  return std::nullopt;
}

std::optional<SymbolRange> FindImageFunction(const std::string &Nm,
                                             const std::string &Binary,
                                             const std::string &Name) {
  // Sorted by address: "00403340 T vexmor::AverageFigure(long long, long
  // long)". Demangling drops one leading underscore, so the linker's
  // __image_base__ shows as _image_base__.
  const std::string Command = Nm + " -C -n --defined-only '" + Binary + "'";
  std::optional<std::uint64_t> ImageBase;
  std::optional<std::uint64_t> Start;
  std::istringstream Lines(CommandOutput(Command));
  std::string Line;
  while (std::getline(Lines, Line)) {
    std::istringstream Fields(Line);
    std::string Value, Type, Symbol;
    if (!(Fields >> Value >> Type))
      continue;
    std::getline(Fields >> std::ws, Symbol);
    const std::uint64_t Address = std::stoull(Value, nullptr, 16);
    if (Symbol == "_image_base__")
      ImageBase = Address;
    if (Type != "T" && Type != "t")
      continue;
    if (Start && Address > *Start) {
      if (!ImageBase)
        return std::nullopt;
      return SymbolRange{*Start - *ImageBase, Address - *Start};
    }
    if (!Start && Symbol.rfind(Name, 0) == 0)
      Start = Address;
  }
  return std::nullopt;
}

} // namespace vexmor::test
