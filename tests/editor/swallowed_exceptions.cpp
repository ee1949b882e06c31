// Painting swallows exceptions so that the screen stays alive, handing each to the application
// exception handler. In the editor tests that handler fails the test that caused it, so no fault
// hides behind a screen that merely went on painting.
#include <gtest/gtest.h>

#include "platform/app_exceptions.h"

namespace synt::test {
namespace {

class FailOnSwallowedExceptions : public ::testing::Environment {
 public:
  void SetUp() override {
    SetApplicationExceptionHandler([](std::exception_ptr E) {
      try {
        std::rethrow_exception(E);
      } catch (const std::exception& X) {
        ADD_FAILURE() << "exception swallowed by the control: " << X.what();
      } catch (...) {
        ADD_FAILURE() << "exception swallowed by the control";
      }
    });
  }
  void TearDown() override { SetApplicationExceptionHandler({}); }
};

[[maybe_unused]] ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new FailOnSwallowedExceptions);

}  // namespace
}  // namespace synt::test
