#include "command.h"
#include "platform/utf.h"

namespace synt::tool {

const std::string& OptionValue(const Args& A, size_t& I) {
  if (I + 1 >= A.size()) throw UsageError(A[I] + " needs a value");
  return A[++I];
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
