// The command-line tests read halvricctl's English texts: whoever runs the test program
// directly, in whatever locale, gets the English of a C locale, as CTest sets it too. Tests of
// the translations choose their language themselves.

#include <gtest/gtest.h>
#include <stdlib.h>

namespace {

class EnglishLocale : public ::testing::Environment {
 public:
  void SetUp() override {
    setenv("LC_ALL", "C.UTF-8", 1);
  }
};

const ::testing::Environment* const kEnglishLocale = ::testing::AddGlobalTestEnvironment(new EnglishLocale);

}  // namespace
