//===- frame/message_format.cpp - Filling a message's placeholders -===//

#include "frame/message_format.h"

namespace vexmor {
namespace {

/// Appends to a fixed buffer, dropping what does not fit.
class BoundedWriter {
public:
  BoundedWriter(char *Storage, std::size_t Size)
      : Out(Storage), Limit(Size - 1) {}

  void Put(char C) {
    if (Length < Limit)
      Out[Length++] = C;
  }
  void Put(std::string_view Text) {
    for (char C : Text)
      Put(C);
  }
  /// Digits of Value in Base, upper case, at least MinDigits of them.
  void PutDigits(std::uint64_t Value, unsigned Base, int MinDigits) {
    char Digits[64];
    int Count = 0;
    do {
      Digits[Count++] = "0123456789ABCDEF"[Value % Base];
      Value /= Base;
    } while (Value != 0);
    while (Count < MinDigits)
      Digits[Count++] = '0';
    while (Count > 0)
      Put(Digits[--Count]);
  }
  std::size_t Finish() {
    Out[Length] = '\0';
    return Length;
  }

private:
  char *Out;
  std::size_t Limit;
  std::size_t Length = 0;
};

std::uint64_t AsUnsigned(const FormatArg &Arg) {
  return Arg.K == FormatArg::Kind::Signed
             ? static_cast<std::uint64_t>(Arg.Signed)
             : Arg.Unsigned;
}

} // namespace

std::size_t FormatMessageInto(char *Out, std::size_t Size,
                              std::string_view Template,
                              std::initializer_list<FormatArg> Args) {
  BoundedWriter Writer(Out, Size);
  const FormatArg *Next = Args.begin();
  for (std::size_t I = 0; I < Template.size(); ++I) {
    const char C = Template[I];
    if (C != '%' || I + 1 == Template.size()) {
      Writer.Put(C);
      continue;
    }
    const char Conversion = Template[++I];
    if (Conversion == '%') {
      Writer.Put('%');
      continue;
    }
    if (Conversion != 's' && Conversion != 'd' && Conversion != 'x' &&
        Conversion != 'p') {
      Writer.Put(C);
      Writer.Put(Conversion);
      continue;
    }
    if (Next == Args.end())
      continue;
    const FormatArg &Arg = *Next++;
    const bool IsText = Arg.K == FormatArg::Kind::Text;
    if ((Conversion == 's') != IsText)
      continue;
    switch (Conversion) {
    case 's':
      Writer.Put(Arg.Text);
      break;
    case 'd':
      if (Arg.K == FormatArg::Kind::Signed && Arg.Signed < 0) {
        Writer.Put('-');
        Writer.PutDigits(0 - static_cast<std::uint64_t>(Arg.Signed), 10, 1);
      } else {
        Writer.PutDigits(AsUnsigned(Arg), 10, 1);
      }
      break;
    case 'x':
      Writer.PutDigits(AsUnsigned(Arg), 16, 1);
      break;
    case 'p':
      Writer.PutDigits(AsUnsigned(Arg), 16, 8);
      break;
    }
  }
  return Writer.Finish();
}

std::string FormatMessage(std::string_view Template,
                          std::initializer_list<FormatArg> Args) {
  char Buffer[1024];
  const std::size_t Length =
      FormatMessageInto(Buffer, sizeof Buffer, Template, Args);
  return std::string(Buffer, Length);
}

} // namespace vexmor
