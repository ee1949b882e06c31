#include "platform/clipboard.h"

namespace synt {

const std::string* TClipboardData::Format(std::u16string_view Name) const {
  auto it = Formats.find(Name);
  return it == Formats.end() ? nullptr : &it->second;
}

void CheckClipboardData(const TClipboardData& Data) {
  for (const auto& [name, bytes] : Data.Formats)
    if (name.empty() || name.size() > 255) throw EClipboardError("Invalid clipboard format name");
}

void TClipboard::SetText(std::u16string_view Text) {
  TClipboardData d;
  d.Text = std::u16string(Text);
  SetData(d);
}

void THeadlessClipboard::SetData(const TClipboardData& Data) {
  CheckClipboardData(Data);
  data_ = Data;
  ++changes_;
}

void THeadlessClipboard::Clear() {
  data_ = {};
  ++changes_;
}

}  // namespace synt
