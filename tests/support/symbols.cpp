//===- tests/support/symbols.cpp - Where a function lies in a built program =//

#include "symbols.h"

#include <cstdio>
#include <memory>
#include <sstream>

namespace vexmor::test {

std::optional<SymbolRange> FindFunction(const std::string &Binary,
                                        const std::string &Name) {
  const std::string Command =
      std::string(VEXMOR_NM) + " -C --defined-only -S '" + Binary + "'";
  std::unique_ptr<FILE, int (*)(FILE *)> Pipe(popen(Command.c_str(), "r"),
                                              pclose);
  if (!Pipe)
    return std::nullopt;
  char Line[4096];
  while (std::fgets(Line, sizeof Line, Pipe.get())) {
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

} // namespace vexmor::test
