// The stored text form of components, as a tree: parsing text into it and formatting it back. The
// reader and writer (filer.h) translate between this tree and live objects.
//
//   object PascalAnalyzer: TSyntAnalyzer
//     Formats = <
//       item
//         DisplayName = 'Comment'
//         Font.Style = [fsItalic]
//       end>
//     SampleText.Strings = (
//       'begin'
//       'end.')
//     Extentions = 'pas dpr'
//   end
//
//   std::vector<synt::TTextError> errors;
//   synt::TTextObject root = synt::ParseObjectText(text, errors);   // never throws
//   std::string again = synt::FormatObjectText(root);
//
// Values: integers (decimal, or hexadecimal after '$'), floats, identifiers (enumerations, Boolean
// values, symbolic constants, component references "Form1.Lexer"), strings of quoted pieces and
// #nnn codes joined by " +" across lines, sets "[a, b]", lists "( ... )", collections
// "< item ... end ... >" and binary data "{ hex }". The parser never stops at the first error: a
// syntax error becomes an error entry at its line and parsing resumes at the next line that starts
// a property, an object, an item or an "end".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace synt {

enum class TValueKind : uint8_t {
  Integer,
  Float,
  String,
  Ident,
  Set,
  List,
  Collection,
  Binary,
};

struct TTextProperty;

struct TTextItem {  // one "item ... end" of a collection
  int Line = 0;
  std::vector<TTextProperty> Props;
};

struct TTextValue {
  TValueKind Kind = TValueKind::Integer;
  int Line = 0;
  int64_t Int = 0;
  double Float = 0;
  std::u16string Str;                 // String
  std::string Ident;                  // Ident (may be dotted)
  std::vector<std::string> SetItems;  // Set
  std::vector<TTextValue> List;       // List
  std::vector<TTextItem> Items;       // Collection
  std::string Bytes;                  // Binary

  static TTextValue OfInt(int64_t V);
  static TTextValue OfFloat(double V);
  static TTextValue OfString(std::u16string V);
  static TTextValue OfIdent(std::string V);
};

// A property line, or a syntax error standing where it was found (Error not empty).
struct TTextProperty {
  int Line = 0;
  std::string Path;  // dotted: Font.Style
  TTextValue Value;
  std::string Error;
};

struct TTextError {
  int Line = 0;
  std::string Message;
};

struct TTextObject {
  int Line = 0;
  std::string Keyword = "object";  // object, inherited, inline
  std::u16string Name;             // empty for an unnamed object
  std::string ClassName;
  std::vector<TTextProperty> Props;
  std::vector<TTextObject> Children;
  // Errors after the last child: a missing "end" and the like.
  std::vector<TTextError> TrailingErrors;
};

// Parses one object and everything nested in it. Errors are placed in the tree where they occur;
// those that precede the object (no "object" keyword at all) or follow its end go to Errors.
TTextObject ParseObjectText(std::u16string_view Text, std::vector<TTextError>& Errors);

// Formats the tree as ASCII text with LF line breaks, two blanks per nesting level, strings quoted
// with characters outside 32..126 as #codes, long strings split after a blank or a line feed once
// a piece holds 64 characters, pieces joined by " +" (a string without such a place stays on one
// line). Error entries are not written.
std::string FormatObjectText(const TTextObject& Object);

// The quoted form of one string value as it appears after " = ", continuation lines indented by
// Indent blanks (no line breaks for strings up to 64 characters).
std::string FormatStringValue(std::u16string_view S, int Indent);

// Reads the class name and object name of the first object without parsing the rest; false when
// the text does not start with an object header.
bool PeekObjectHeader(std::u16string_view Text, std::string& ClassName, std::u16string& Name);

}  // namespace synt
