#include <gtest/gtest.h>

#include "app/Lifecycle.h"

namespace {
// Most tests release a device (and with it Direct3D's own thread) just before the
// process exits; the saver pauses there, and so do the tests.
class LetThreadsFinish : public ::testing::Environment {
public:
  void TearDown() override { LetEndedThreadsFinish(); }
};

[[maybe_unused]] ::testing::Environment* const kLetThreadsFinish =
    ::testing::AddGlobalTestEnvironment(new LetThreadsFinish);
}  // namespace
