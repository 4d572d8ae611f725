//===- shared/message_format.cpp - Filling a message's placeholders -------===//

#include "shared/message_format.h"

#include "shared/digits.h"

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
  void PutDigits(std::uint64_t Value, Radix Base) {
    DigitBuffer Buffer;
    Put(DigitText(Buffer, Value, Base));
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
        Writer.PutDigits(0 - static_cast<std::uint64_t>(Arg.Signed),
                         Radix::Decimal);
      } else {
        Writer.PutDigits(AsUnsigned(Arg), Radix::Decimal);
      }
      break;
    case 'x':
      Writer.PutDigits(AsUnsigned(Arg), Radix::Hexadecimal);
      break;
    case 'p': {
      DigitBuffer Buffer;
      Writer.Put(AddressText(Buffer, AsUnsigned(Arg)));
      break;
    }
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
