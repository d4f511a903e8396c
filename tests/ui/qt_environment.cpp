#include "ui_harness.h"

namespace sonvaro::test {
namespace {

class QtEnvironment : public ::testing::Environment {
  public:
    void TearDown() override {
        delete QtAppPointer();
        QtAppPointer() = nullptr;
    }
};

[[maybe_unused]] ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace
}  // namespace sonvaro::test
