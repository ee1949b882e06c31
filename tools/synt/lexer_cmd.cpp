// synt convert IN OUT       reads a lexer, lexer library or style-set file and writes it back in
// the
//                           stored form ("-" for standard input or output)
// synt lexers FILE          the lexers of a lexer file, a library or any stored form holding
// lexers,
//                           one JSON line each: {"name", "lexer_name", "extensions", "styles",
//                           "token_rules", "block_rules", "sub_lexer_rules"}
// --ignore-errors           read errors are reported on stderr and reading goes on (as "All"
//                           would); without it the first error ends the command with status 1
#include <iostream>
#include <memory>

#include "analysis/lexer_library.h"
#include "command.h"
#include "json.h"
#include "platform/dialogs.h"
#include "platform/file_io.h"
#include "platform/filer.h"
#include "platform/streams.h"
#include "platform/text_bytes.h"
#include "platform/utf.h"

namespace synt::tool {
namespace {

// The tool has no user to ask: each question is a report on stderr, answered by the option.
class TToolDialogs : public TDialogService {
 public:
  TToolDialogs(std::string Command, std::string File, bool Ignore)
      : command_(std::move(Command)), file_(std::move(File)), ignore_(Ignore) {}
  int MessageDlg(const std::u16string& Message, TMsgDlgType, TMsgDlgButtons, int) override {
    Report(Message);
    return ignore_ ? mrYes : mrNo;
  }
  int MessageBox(const std::u16string& Text, const std::u16string&, TMessageBoxButtons,
                 TMessageBoxIcon) override {
    Report(Text);
    failed_ = true;  // a box is shown only for a load that ended
    return mrOk;
  }
  void Report(std::u16string Message) {
    static const std::u16string question = u"Ignore this error?\n";
    if (Message.compare(0, question.size(), question) == 0) Message.erase(0, question.size());
    for (char16_t& c : Message)
      if (c == u'\r' || c == u'\n') c = u' ';
    std::cerr << "synt " << command_ << ": " << file_ << ": " << Utf16ToUtf8(Message) << "\n";
    ++errors_;
  }
  int Errors() const { return errors_; }
  bool Failed() const { return failed_; }

 private:
  std::string command_, file_;
  bool ignore_;
  int errors_ = 0;
  bool failed_ = false;
};

struct Options {
  std::vector<std::string> files;
  bool ignore = false;
};

Options Parse(const Args& args, size_t count, const char* usage) {
  Options o;
  for (const std::string& a : args) {
    if (a == "--ignore-errors")
      o.ignore = true;
    else if (a.size() > 1 && a[0] == '-' && a != "-")
      throw UsageError("unknown option " + a);
    else
      o.files.push_back(a);
  }
  if (o.files.size() != count) throw UsageError(std::string("usage: ") + usage);
  return o;
}

std::unique_ptr<TLoadableComponent> CreateRoot(const std::string& ClassName) {
  RegisterLexerClasses();
  const TClassInfo* cls = FindClass(ClassName);
  if (!cls || !cls->InheritsFrom(TLoadableComponent::StaticClassInfo()) || !cls->NewComponent())
    return nullptr;
  return std::unique_ptr<TLoadableComponent>(
      static_cast<TLoadableComponent*>(cls->NewComponent()(nullptr)));
}

// Reads the file into a component of the class its text names, keeping the object's name.
std::unique_ptr<TLoadableComponent> LoadFile(const std::string& path, const std::u16string& text,
                                             TToolDialogs& dialogs) {
  std::string cls;
  std::u16string name;
  if (!PeekObjectHeader(text, cls, name)) {
    std::vector<TTextError> errors;
    ParseObjectText(text, errors);
    std::string why = errors.empty()
                          ? "no stored object"
                          : "Line " + std::to_string(errors[0].Line) + ": " + errors[0].Message;
    throw std::runtime_error(path + ": " + why);
  }
  auto root = CreateRoot(cls);
  if (!root)
    throw std::runtime_error(path + ": a " + cls + " is not a lexer, lexer library or style set");
  if (IsValidIdent(name)) root->SetName(name);
  TDialogServiceScope scope(&dialogs);
  TMemoryStream stream(Utf16ToUtf8(text));
  try {
    root->LoadFromStream(stream);
  } catch (const EReadError&) {
    throw std::runtime_error(path + ": read failed (--ignore-errors reads on)");
  }
  if (dialogs.Failed()) throw std::runtime_error(path + ": read failed");
  return root;
}

int RunConvert(const Args& args) {
  Options o = Parse(args, 2, "synt convert IN OUT [--ignore-errors]");
  const std::string& in = o.files[0];
  const std::string& out = o.files[1];
  TToolDialogs dialogs("convert", in, o.ignore);
  std::u16string text = DecodeTextBytes(ReadFileBytes(in));
  auto root = LoadFile(in, text, dialogs);
  std::string stored = root->SaveToText();
  if (out == "-") {
    std::cout << stored;
  } else {
    WriteFileAtomic(out, stored);
  }
  return 0;
}

std::string LexerLine(const TSyntAnalyzer& l) {
  return JsonLine()
      .Add("name", std::u16string_view(l.Name()))
      .Add("lexer_name", std::u16string_view(l.LexerName()))
      .Add("extensions", std::u16string_view(l.Extentions()))
      .Add("styles", l.Formats()->Count())
      .Add("token_rules", l.TokenRules()->Count())
      .Add("block_rules", l.BlockRules()->Count())
      .Add("sub_lexer_rules", l.SubAnalyzers()->Count())
      .Str();
}

bool IsLexerClass(const std::string& cls) {
  RegisterLexerClasses();
  const TClassInfo* c = FindClass(cls);
  return c && c->InheritsFrom(TSyntAnalyzer::StaticClassInfo());
}

void CollectLexers(const TTextObject& obj, std::vector<const TTextObject*>& out) {
  for (const TTextObject& child : obj.Children) {
    if (IsLexerClass(child.ClassName)) out.push_back(&child);
    CollectLexers(child, out);
  }
}

int RunLexers(const Args& args) {
  Options o = Parse(args, 1, "synt lexers FILE [--ignore-errors]");
  const std::string& path = o.files[0];
  TToolDialogs dialogs("lexers", path, o.ignore);
  std::u16string text = DecodeTextBytes(ReadFileBytes(path));
  std::string cls;
  std::u16string name;
  if (PeekObjectHeader(text, cls, name)) {
    RegisterLexerClasses();
    const TClassInfo* c = FindClass(cls);
    if (c && (c->InheritsFrom(TSyntAnalyzer::StaticClassInfo()) ||
              c->InheritsFrom(TSyntaxManager::StaticClassInfo()))) {
      auto root = LoadFile(path, text, dialogs);
      if (auto* lexer = dynamic_cast<TSyntAnalyzer*>(root.get())) {
        std::cout << LexerLine(*lexer) << "\n";
      } else if (auto* lib = dynamic_cast<TSyntaxManager*>(root.get())) {
        for (int i = 0; i < lib->LexerCount(); ++i) std::cout << LexerLine(*lib->Lexers(i)) << "\n";
      }
      return 0;
    }
  }
  // Any other stored form (a window, say): the lexers nested in it, read with a stand-in for the
  // form as their owner so that they can refer to each other by name.
  std::vector<TTextError> errors;
  TTextObject root = ParseObjectText(text, errors);
  if (root.ClassName.empty()) {
    std::string why = errors.empty()
                          ? "no stored object"
                          : "Line " + std::to_string(errors[0].Line) + ": " + errors[0].Message;
    throw std::runtime_error(path + ": " + why);
  }
  std::vector<const TTextObject*> nodes;
  CollectLexers(root, nodes);
  if (nodes.empty()) throw std::runtime_error(path + ": holds no lexer");
  TComponent form(nullptr);
  if (IsValidIdent(root.Name)) form.SetName(root.Name);
  std::vector<TSyntAnalyzer*> lexers;
  for (const TTextObject* n : nodes) {
    auto* l = static_cast<TSyntAnalyzer*>(FindClass(n->ClassName)->NewComponent()(&form));
    if (IsValidIdent(n->Name) && !form.FindComponent(n->Name)) l->SetName(n->Name);
    lexers.push_back(l);
  }
  for (size_t i = 0; i < nodes.size(); ++i) {
    TReader reader;
    reader.OnError = [&](TReader&, const std::string& message, bool& handled) {
      dialogs.Report(Utf8ToUtf16(message));
      handled = o.ignore;
    };
    try {
      reader.ReadComponent(*nodes[i], lexers[i], &form);
    } catch (const EReadError&) {
      throw std::runtime_error(path + ": read failed (--ignore-errors reads on)");
    }
  }
  for (TSyntAnalyzer* l : lexers) std::cout << LexerLine(*l) << "\n";
  return 0;
}

Command convert_cmd{"convert", "read a lexer, lexer library or style-set file and write it back",
                    RunConvert};
Command lexers_cmd{"lexers", "list the lexers of a file as JSON Lines", RunLexers};

}  // namespace
}  // namespace synt::tool
