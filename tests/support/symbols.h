//===- tests/support/symbols.h - Where a function lies in a built program -===//

#ifndef VEXMOR_TESTS_SUPPORT_SYMBOLS_H
#define VEXMOR_TESTS_SUPPORT_SYMBOLS_H

#include <cstdint>
#include <optional>
#include <string>

namespace vexmor::test {

/// A function's place in its file image: the offsets a failure report
/// gives for addresses inside it.
struct SymbolRange {
  std::uint64_t Start = 0;
  std::uint64_t Size = 0;
  bool Contains(std::uint64_t Offset) const {
    return Offset >= Start && Offset < Start + Size;
  }
};

/// The defined function whose demangled name begins with Name, from nm.
std::optional<SymbolRange> FindFunction(const std::string &Binary,
                                        const std::string &Name);

/// The same for a Windows executable, read with that target's nm (Nm). Its
/// symbols have no sizes: a function reaches up to the next one. Offsets
/// are from the image base, as the failure report gives them.
std::optional<SymbolRange> FindImageFunction(const std::string &Nm,
                                             const std::string &Binary,
                                             const std::string &Name);

} // namespace vexmor::test

#endif // VEXMOR_TESTS_SUPPORT_SYMBOLS_H
