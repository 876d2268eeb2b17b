#pragma once

#include <SDL.h>

#include "audio/audio_device.h"

namespace tolven {

// The window's sound output: one SDL audio device in the mixer's own format, whose callback
// pulls the mixer on SDL's audio thread. On a machine without a sound output SDL opens
// nothing; the device is then absent and the engine runs silent.
class SdlAudioDevice final : public AudioDevice {
 public:
  // Starts SDL's audio side and tries the default output once to learn whether there is one;
  // SDL_AUDIODRIVER chooses the driver as usual.
  SdlAudioDevice();
  ~SdlAudioDevice() override;
  SdlAudioDevice(const SdlAudioDevice&) = delete;
  SdlAudioDevice& operator=(const SdlAudioDevice&) = delete;

  bool Present() const override { return present_; }
  // Whether the output is heard: SDL's dummy and disk drivers, which tests and unattended runs
  // choose, are outputs that reach no speaker.
  bool Audible() const { return audible_; }
  bool Open(Mixer& mixer) override;
  void Close() override;

 private:
  static void SDLCALL Fill(void* self, Uint8* stream, int length);
  bool OpenOutput();

  bool subsystem_ = false;
  bool present_ = false;
  bool audible_ = false;
  SDL_AudioDeviceID device_ = 0;  // while open
  Mixer* mixer_ = nullptr;        // changed only under the device lock: the callback reads it
};

}  // namespace tolven
