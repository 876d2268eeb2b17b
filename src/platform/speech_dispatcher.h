#pragma once

#include <string>
#include <string_view>

#include "engine/text_out.h"

namespace tolven {

// Speech through speech-dispatcher. libspeechd is loaded when speech is first asked for, so the
// program neither links it nor needs it installed; without it Start says so and nothing speaks.
// The voice and language are the player's speech-dispatcher defaults.
class SpeechDispatcher : public SpeechOutput {
 public:
  // The library to load; tests name one that is not there.
  explicit SpeechDispatcher(std::string library = "libspeechd.so.2")
      : library_(std::move(library)) {}
  ~SpeechDispatcher() override;
  SpeechDispatcher(const SpeechDispatcher&) = delete;
  SpeechDispatcher& operator=(const SpeechDispatcher&) = delete;

  bool Start(std::string& why) override;
  void Say(std::string_view utf8) override;
  void Cancel() override;

 private:
  using OpenFunction = void* (*)(const char*, const char*, const char*, int);
  using SayFunction = int (*)(void*, int, const char*);
  using ConnectionFunction = int (*)(void*);
  using CloseFunction = void (*)(void*);

  std::string library_;
  void* handle_ = nullptr;
  void* connection_ = nullptr;
  SayFunction say_ = nullptr;
  ConnectionFunction cancel_ = nullptr;
  CloseFunction close_ = nullptr;
};

}  // namespace tolven
