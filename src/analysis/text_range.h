// The text ranges and line separators that block rules build over a client's tokens.
//
//   const synt::TTextRange* r = queries.GetCollapsibleAtLine(line);
//   if (r && r->IsClosed()) folded = queries.GetCollapsedText(r);
//
// Ranges have identity (Parent links, the opened list, the editor's active ranges) and are owned by
// the client analysis; token indexes refer to its token list.
#pragma once

#include "lists/sorted_list.h"

namespace synt {

class TTagBlockCondition;

class TTextRange : public TSortedItem {
 public:
  TTagBlockCondition* Rule = nullptr;
  int StartIdx = 0;
  int EndIdx = -1;  // -1 while open
  int IdentIdx = 0;
  int StartPos = 0;  // the sort key
  TTextRange* Parent = nullptr;
  int CondIndex = 0;      // the token whose arrival completed the opening conditions
  int EndCondIndex = -1;  // reference token of the closing rule, -1 while open
  int Index = 0;          // ordinal in creation order

  int GetKey() const override { return StartPos; }
  bool IsClosed() const { return EndIdx != -1; }
};

struct TLineBreak {
  int RefTag = 0;  // token index
  int Line = 0;    // the separator is drawn above this 0-based line
  TTagBlockCondition* Rule = nullptr;
};

}  // namespace synt
