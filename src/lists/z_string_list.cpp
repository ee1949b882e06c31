#include "lists/z_string_list.h"

namespace synt {

const TClassInfo& TzStringList::StaticClassInfo() {
  static const TClassInfo info("TzStringList", &TStringList::StaticClassInfo());
  return info;
}

}  // namespace synt
