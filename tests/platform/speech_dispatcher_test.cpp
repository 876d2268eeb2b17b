// Speech-dispatcher is loaded at run time: without it (or with a library that is not it) speech
// reports why and does nothing.
#include "platform/speech_dispatcher.h"

#include <gtest/gtest.h>

namespace tolven {
namespace {

TEST(SpeechDispatcherTest, WithoutTheLibraryNothingSpeaks) {
  const struct {
    const char* library;
    const char* why;
  } cases[] = {
      {"libspeechd-not-installed.so.2", "libspeechd-not-installed.so.2 is not installed"},
      // A library that loads but is not speech-dispatcher's.
      {"libc.so.6", "libc.so.6 lacks the functions speech needs"},
  };
  for (const auto& c : cases) {
    SpeechDispatcher speech(c.library);
    std::string why;
    EXPECT_FALSE(speech.Start(why)) << c.library;
    EXPECT_EQ(why.substr(0, std::string(c.why).size()), c.why);
    // Asked again, it still refuses rather than speaking through half a library.
    EXPECT_FALSE(speech.Start(why)) << c.library;
    speech.Say("聞こえない");
    speech.Cancel();
  }
}

}  // namespace
}  // namespace tolven
