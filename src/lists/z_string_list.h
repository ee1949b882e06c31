// The library's own string list: the platform's string list (optionally sorted, with objects)
// under the library's class name, used for the auto-replace index, type names and tag lists.
//
//   synt::TzStringList tags;
//   tags.SetSorted(true);
//   tags.Add(u"end");
#pragma once

#include "platform/strings.h"

namespace synt {

class TzStringList : public TStringList {
  SYNT_CLASS_INFO()

 public:
  using TStringList::TStringList;
};

}  // namespace synt
