// A set of up to 64 enumeration values, the type of set properties (`TFormatFlags`, font styles).
//
//   enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
//   using TFontStyles = synt::TSet<TFontStyle>;
//   TFontStyles s{fsBold, fsItalic};
//   if (s.Contains(fsBold)) s.Exclude(fsBold);
//   uint64_t stored = s.Mask();          // bit n stands for ordinal n
#pragma once

#include <cstdint>
#include <initializer_list>

namespace synt {

template <class E>
class TSet {
 public:
  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<E> Values) {
    for (E v : Values) bits_ |= Bit(v);
  }
  static constexpr TSet FromMask(uint64_t Mask) {
    TSet s;
    s.bits_ = Mask;
    return s;
  }
  // The set of the first Count ordinals.
  static constexpr TSet Range(int Count) {
    return FromMask(Count >= 64 ? ~uint64_t(0) : (uint64_t(1) << Count) - 1);
  }
  constexpr uint64_t Mask() const { return bits_; }
  constexpr bool Contains(E v) const { return (bits_ & Bit(v)) != 0; }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr void Include(E v) { bits_ |= Bit(v); }
  constexpr void Exclude(E v) { bits_ &= ~Bit(v); }
  constexpr TSet operator+(TSet o) const { return FromMask(bits_ | o.bits_); }
  constexpr TSet operator-(TSet o) const { return FromMask(bits_ & ~o.bits_); }
  constexpr TSet operator*(TSet o) const { return FromMask(bits_ & o.bits_); }
  constexpr bool operator==(const TSet&) const = default;

 private:
  static constexpr uint64_t Bit(E v) { return uint64_t(1) << unsigned(v); }
  uint64_t bits_ = 0;
};

}  // namespace synt
