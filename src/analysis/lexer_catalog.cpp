#include "analysis/lexer_catalog.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "lists/char_utils.h"
#include "platform/dialogs.h"
#include "platform/streams.h"
#include "platform/utf.h"

namespace synt {

namespace {

// A path in quotes for messages. Built by appending: GCC 12 warns (-Wrestrict, wrongly) about
// "'" + path + "'" at -O2.
std::string Quoted(const std::filesystem::path& Path) {
  std::string s(1, '\'');
  s += Path.string();
  s += '\'';
  return s;
}

bool SameWord(std::u16string_view A, std::u16string_view B) {
  return A.size() == B.size() && SameText(A, B, cmIgnoreCase);
}

}  // namespace

// The class of the stored form's root object ("object Name: TClass").
std::string StoredRootClass(const std::string& Text) {
  const size_t p = Text.find("object");
  if (p == std::string::npos) return {};
  const size_t colon = Text.find(':', p), eol = Text.find('\n', p);
  if (colon == std::string::npos || (eol != std::string::npos && colon > eol)) return {};
  size_t b = colon + 1;
  while (b < Text.size() && Text[b] == ' ') ++b;
  size_t e = b;
  while (e < Text.size() && (isalnum(static_cast<unsigned char>(Text[e])) || Text[e] == '_')) ++e;
  return Text.substr(b, e - b);
}

int TRefuseReadErrors::MessageBox(const std::u16string& Text, const std::u16string&,
                                  TMessageBoxButtons, TMessageBoxIcon) {
  shown = Text;
  return mrOk;
}

TLexerCatalog::TLexerCatalog() = default;
TLexerCatalog::~TLexerCatalog() = default;

void TLexerCatalog::LoadFolder(const std::filesystem::path& Dir) {
  std::vector<std::filesystem::path> files;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(Dir, ec))
    if (e.path().extension() == ".lxl" && e.is_regular_file()) files.push_back(e.path());
  if (ec) {
    errors_.push_back("cannot read the lexer folder " + Quoted(Dir) + ": " + ec.message());
    return;
  }
  std::sort(files.begin(), files.end());
  for (const auto& f : files) LoadFile(f);
}

bool TLexerCatalog::LoadFile(const std::filesystem::path& File) {
  std::ifstream in(File, std::ios::binary);
  if (!in) {
    errors_.push_back("cannot open lexer file " + Quoted(File));
    return false;
  }
  std::ostringstream bytes;
  bytes << in.rdbuf();
  const std::string text = bytes.str();
  RegisterLexerClasses();
  TRefuseReadErrors dialogs;
  TDialogServiceScope scope(&dialogs);
  Entry entry;
  entry.file = File;
  const std::string cls = StoredRootClass(text);
  TMemoryStream stream(text);
  try {
    if (cls == "TSyntaxManager") {
      entry.library = std::make_unique<TSyntaxManager>(nullptr);
      entry.library->LoadFromStream(stream);
    } else if (cls == "TSyntAnalyzer" || cls == "TLibSyntAnalyzer") {
      entry.single = cls == "TLibSyntAnalyzer" ? std::make_unique<TLibSyntAnalyzer>(nullptr)
                                               : std::make_unique<TSyntAnalyzer>(nullptr);
      entry.single->LoadFromStream(stream);
    } else {
      errors_.push_back(Quoted(File) + " is not a lexer file or lexer library");
      return false;
    }
  } catch (const std::exception& e) {
    errors_.push_back("cannot read lexer " + Quoted(File) + ": " + e.what());
    return false;
  }
  if (!dialogs.shown.empty()) {
    errors_.push_back("cannot read lexer " + Quoted(File) + ": " + Utf16ToUtf8(dialogs.shown));
    return false;
  }
  entries_.push_back(std::move(entry));
  return true;
}

std::vector<TSyntAnalyzer*> TLexerCatalog::Lexers() const {
  std::vector<TSyntAnalyzer*> v;
  for (const Entry& e : entries_) {
    if (e.single && !e.single->Internal()) v.push_back(e.single.get());
    if (e.library)
      for (int i = 0; i < e.library->LexerCount(); ++i)
        if (!e.library->Lexers(i)->Internal()) v.push_back(e.library->Lexers(i));
  }
  return v;
}

TSyntAnalyzer* TLexerCatalog::Match(std::u16string_view Word) const {
  if (Word.empty()) return nullptr;
  for (TSyntAnalyzer* l : Lexers()) {
    std::u16string_view exts = l->Extentions();
    size_t p = 0;
    while (p < exts.size()) {
      while (p < exts.size() && IsSpaceChar(exts[p])) ++p;
      size_t e = p;
      while (e < exts.size() && !IsSpaceChar(exts[e])) ++e;
      std::u16string_view w = exts.substr(p, e - p);
      p = e;
      if (w.starts_with(u"*."))
        w.remove_prefix(2);
      else if (w.starts_with(u"."))
        w.remove_prefix(1);
      if (SameWord(w, Word)) return l;
    }
  }
  return nullptr;
}

TSyntAnalyzer* TLexerCatalog::ForExtension(std::u16string_view Extension) const {
  if (!Extension.empty() && Extension[0] == u'.') Extension.remove_prefix(1);
  return Match(Extension);
}

TSyntAnalyzer* TLexerCatalog::ForFile(const std::filesystem::path& File) const {
  const std::u16string name = Utf8ToUtf16(File.filename().string());
  if (TSyntAnalyzer* l = Match(name)) return l;
  const std::u16string ext = Utf8ToUtf16(File.extension().string());
  return ext.size() > 1 ? ForExtension(ext) : nullptr;
}

std::string TLexerCatalog::FileOf(const TSyntAnalyzer* Lexer) const {
  for (const Entry& e : entries_) {
    if (e.single.get() == Lexer) return e.file.string();
    if (e.library && e.library->IndexOf(Lexer) >= 0) return e.file.string();
  }
  return {};
}

}  // namespace synt
