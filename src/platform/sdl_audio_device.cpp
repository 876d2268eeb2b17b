#include "platform/sdl_audio_device.h"

#include <cstring>
#include <span>
#include <string_view>

namespace tolven {
namespace {

// About 23 ms a period: short enough that a voice starts with its click, long enough that a
// busy interface thread holding the mixer's lock does not starve the device.
constexpr Uint16 kPeriodFrames = 1024;

bool SilentDriver(const char* name) {
  if (name == nullptr) return true;
  const std::string_view driver(name);
  return driver == "dummy" || driver == "disk";
}

}  // namespace

SdlAudioDevice::SdlAudioDevice() {
  subsystem_ = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
  // Only an output that actually opens counts: SDL may start a driver (ALSA without any card)
  // that has nothing to play on. The probe is closed again so that nothing runs until Open.
  present_ = subsystem_ && OpenOutput();
  Close();
  audible_ = present_ && !SilentDriver(SDL_GetCurrentAudioDriver());
}

SdlAudioDevice::~SdlAudioDevice() {
  Close();
  if (subsystem_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool SdlAudioDevice::OpenOutput() {
  SDL_AudioSpec wanted{};
  wanted.freq = kOutputRate;
  wanted.format = AUDIO_S16SYS;
  wanted.channels = kOutputChannels;
  wanted.samples = kPeriodFrames;
  wanted.callback = &SdlAudioDevice::Fill;
  wanted.userdata = this;
  // No format changes allowed: SDL converts to whatever the hardware takes, so the callback
  // always gets the mixer's own format.
  device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, nullptr, 0);
  return device_ != 0;
}

bool SdlAudioDevice::Open(Mixer& mixer) {
  if (!subsystem_ || (device_ == 0 && !OpenOutput())) return false;
  SDL_LockAudioDevice(device_);
  mixer_ = &mixer;
  SDL_UnlockAudioDevice(device_);
  SDL_PauseAudioDevice(device_, 0);
  return true;
}

void SdlAudioDevice::Close() {
  if (device_ == 0) return;
  // Closing joins SDL's audio thread, so no callback is running or will run after this.
  SDL_CloseAudioDevice(device_);
  device_ = 0;
  mixer_ = nullptr;
}

void SDLCALL SdlAudioDevice::Fill(void* self, Uint8* stream, int length) {
  Mixer* mixer = static_cast<SdlAudioDevice*>(self)->mixer_;
  if (mixer == nullptr) {
    std::memset(stream, 0, static_cast<size_t>(length));
    return;
  }
  // SDL hands out whole frames of the format asked for, so the bytes are whole samples.
  mixer->Mix(std::span<int16_t>(reinterpret_cast<int16_t*>(stream),
                                static_cast<size_t>(length) / sizeof(int16_t)));
}

}  // namespace tolven
