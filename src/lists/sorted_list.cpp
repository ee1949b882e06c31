#include "lists/sorted_list.h"

namespace synt {

void ThrowListIndexError(int Index) {
  throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
}

}  // namespace synt
