// The clipboard as a platform service, and the data it carries (which drag and drop carries too).
//
//   synt::TClipboardData d;
//   d.Text = u"line one\r\nline two";
//   d.Formats[std::u16string(synt::cfColumnBlock)] = std::string(1, '\2');
//   host.Clipboard().SetData(d);                    // replaces the whole content at once
//
//   synt::TClipboardData got = host.Clipboard().Data();
//   bool column = got.HasFormat(synt::cfColumnBlock);
//   if (got.Text) Paste(*got.Text, column);
//
// Contract for every backend (tests/contract runs it): what SetData puts is what Data gives back,
// unit for unit and byte for byte: UTF-16 text with NULs and lone surrogates, 8-bit text with its
// code page, and any number of named formats, all present together. The clipboard does no
// conversions; code pages belong to the text layers above, which convert 8-bit text themselves. A
// named format is known to other applications by its name. GUI thread only.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/object.h"

namespace synt {

// Named formats the library writes and reads.
constexpr std::u16string_view cfRichText = u"Rich Text Format";
// Marks clipboard text that was copied as a column block (its lines form a rectangle).
constexpr std::u16string_view cfColumnBlock = u"Borland IDE Block Type";

class EClipboardError : public Exception {
 public:
  using Exception::Exception;
};

// 8-bit text and the code page it is written in (as the platform numbers code pages: 1252, 932,
// 65001 for UTF-8).
struct TAnsiText {
  std::string Bytes;
  std::uint32_t CodePage = 0;
  bool operator==(const TAnsiText&) const = default;
};

// One content of the clipboard or of a drag: each form is optional, and all may be present at once.
struct TClipboardData {
  std::optional<std::u16string> Text;
  std::optional<TAnsiText> AnsiText;
  std::map<std::u16string, std::string, std::less<>> Formats;  // by name: the bytes

  bool Empty() const { return !Text && !AnsiText && Formats.empty(); }
  bool HasText() const { return Text || AnsiText; }
  bool HasFormat(std::u16string_view Name) const { return Formats.find(Name) != Formats.end(); }
  // The bytes of a named format, or nullptr.
  const std::string* Format(std::u16string_view Name) const;
  bool operator==(const TClipboardData&) const = default;
};

// Raises EClipboardError for data no backend could carry: a format with an empty name or a name
// longer than 255 units ("Invalid clipboard format name").
void CheckClipboardData(const TClipboardData& Data);

class TClipboard {
 public:
  virtual ~TClipboard() = default;
  // Replaces everything on the clipboard with Data, taking the clipboard from whoever held it.
  // Invalid data raises EClipboardError and leaves the clipboard as it was.
  virtual void SetData(const TClipboardData& Data) = 0;
  // A copy of the current content (what another application put there, too).
  virtual TClipboardData Data() const = 0;
  virtual void Clear() = 0;

  // The UTF-16 text, if the content has one.
  std::optional<std::u16string> Text() const { return Data().Text; }
  void SetText(std::u16string_view Text);
  bool HasText() const { return Data().HasText(); }
  bool HasFormat(std::u16string_view Name) const { return Data().HasFormat(Name); }
};

// An in-memory clipboard for tests and the command-line tool.
class THeadlessClipboard final : public TClipboard {
 public:
  void SetData(const TClipboardData& Data) override;
  TClipboardData Data() const override { return data_; }
  void Clear() override;
  // How many times the content was replaced or cleared.
  int ChangeCount() const { return changes_; }

 private:
  TClipboardData data_;
  int changes_ = 0;
};

}  // namespace synt
