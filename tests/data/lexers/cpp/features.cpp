// Hard constructs of C++: raw strings, digit separators, prefixes, continuations.
#include <cstdio>
#include "local.h"
#  define TWICE(x) \
     ((x) + \
      (x))
#define STR(x) #x
#define CAT(a, b) a##b

#if defined(__cplusplus) && __cplusplus >= 201703L
namespace demo {
#endif

#pragma region Helpers
/**
 * Documented function.
 */
static constexpr unsigned long long kMillion = 1'000'000ull;
const double kPi = 3.141'592e+0, kHalf = .5f, kHex = 0x1.8p1;
const int kBin = 0b1010'1010, kOct = 017, kOnes = 0xFF'FF;
#pragma endregion

/* A comment
   over lines */ int after_comment;
/// line doc
const char* raw = R"(a "quoted" \n (paren))";
const char* delim = R"xy(contains )" and )x" )xy";
const char16_t* u16 = u"wide\tstring";
const char8_t* u8s = u8"utf-8";
const wchar_t wc = L'\'';
char32_t c32 = U'\U0001F600';
auto text = "line one \
line two";  // continued string
// a comment that goes on \
   on the next line

template <typename T>
class Box final : public Base<T> {
 public:
  explicit Box(T v) noexcept : v_(v) {}
  T get() const { return v_ > 0 ? v_ / 2 : -v_ % 3; }
  auto operator<=>(const Box&) const = default;

 private:
  T v_;
};

int main(int argc, char** argv) {
  if (argc > 1) {
    std::printf("%s\n", argv[1]);
  } else {
    for (int i = 0; i < 3; ++i) { continue; }
  }
  return TWICE(argc) == 4 ? 0 : 1;
}

#ifdef __cplusplus
}  // namespace demo
#endif
