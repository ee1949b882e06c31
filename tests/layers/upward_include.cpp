// Compiled by the layer tests against one module's view of the sources: it includes the header
// named by SYNT_UPWARD_HEADER, which must be missing from the view of every lower module.
#include SYNT_UPWARD_HEADER

int main() {
  return 0;
}
