#include <charconv>

#include "command.h"
#include "platform/utf.h"

namespace synt::tool {

const std::string& OptionValue(const Args& A, size_t& I) {
  if (I + 1 >= A.size()) throw UsageError(A[I] + " needs a value");
  return A[++I];
}

int IntOption(const std::string& Option, const std::string& Value, int Min, int Max) {
  int v = 0;
  const char* end = Value.data() + Value.size();
  auto [p, ec] = std::from_chars(Value.data(), end, v);
  if (ec != std::errc() || p != end || v < Min || v > Max) {
    std::string msg = Option;
    msg += " needs a whole number ";
    msg += Max == INT32_MAX ? "of at least " + std::to_string(Min)
                            : "from " + std::to_string(Min) + " to " + std::to_string(Max);
    msg += ", not '";
    msg += Value;
    msg += "'";
    throw UsageError(msg);
  }
  return v;
}

void TakeInput(const std::string& Arg, std::string& Input) {
  if (Arg.size() > 1 && Arg[0] == '-') throw UsageError("unknown option '" + Arg + "'");
  if (!Input.empty()) throw UsageError("more than one input ('" + Input + "', '" + Arg + "')");
  Input = Arg;
}

bool LexerChoice::Take(const Args& A, size_t& I) {
  if (A[I] == "--lexer") {
    file = OptionValue(A, I);
  } else if (A[I] == "--name") {
    name = Utf8ToUtf16(OptionValue(A, I));
    hasName = true;
  } else {
    return false;
  }
  return true;
}

}  // namespace synt::tool
