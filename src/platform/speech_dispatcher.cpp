#include "platform/speech_dispatcher.h"

#include <dlfcn.h>

namespace tolven {
namespace {

// From libspeechd's interface: SPD_MODE_SINGLE, and SPD_TEXT, the priority of running text,
// which queues behind what is being said.
constexpr int kSingleThreadedMode = 0;
constexpr int kTextPriority = 3;

template <typename Function>
Function Symbol(void* handle, const char* name) {
  return reinterpret_cast<Function>(dlsym(handle, name));
}

}  // namespace

SpeechDispatcher::~SpeechDispatcher() {
  if (connection_ != nullptr) close_(connection_);
  if (handle_ != nullptr) dlclose(handle_);
}

bool SpeechDispatcher::Start(std::string& why) {
  if (connection_ != nullptr) return true;
  if (handle_ == nullptr) handle_ = dlopen(library_.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    why = library_ + " is not installed (package libspeechd2)";
    return false;
  }
  const auto open = Symbol<OpenFunction>(handle_, "spd_open");
  say_ = Symbol<SayFunction>(handle_, "spd_say");
  cancel_ = Symbol<ConnectionFunction>(handle_, "spd_cancel");
  close_ = Symbol<CloseFunction>(handle_, "spd_close");
  if (open == nullptr || say_ == nullptr || cancel_ == nullptr || close_ == nullptr) {
    why = library_ + " lacks the functions speech needs";
    return false;
  }
  connection_ = open("tolven", "main", nullptr, kSingleThreadedMode);
  if (connection_ == nullptr) {
    why = "speech-dispatcher could not be reached";
    return false;
  }
  return true;
}

void SpeechDispatcher::Say(std::string_view utf8) {
  if (connection_ != nullptr) say_(connection_, kTextPriority, std::string(utf8).c_str());
}

void SpeechDispatcher::Cancel() {
  if (connection_ != nullptr) cancel_(connection_);
}

}  // namespace tolven
