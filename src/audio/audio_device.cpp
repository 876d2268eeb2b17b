#include "audio/audio_device.h"

#include <algorithm>

#include "audio/wav_file.h"

namespace tolven {
namespace {

// Output is mixed in pieces of this many frames, so a long stall does not need one huge buffer.
constexpr uint64_t kBlockFrames = 4096;
// A wave file's sizes are 32-bit; recording stops short of that (about six hours).
constexpr uint64_t kMaxFrames = (0xFFFFFFFFull - kWavHeaderSize) / (kOutputChannels * 2);

}  // namespace

bool RecordingAudioDevice::Open(Mixer& mixer) {
  Close();
  file_.open(path_, std::ios::binary | std::ios::trunc);
  if (!file_) return false;
  mixer_ = &mixer;
  frames_ = 0;
  WriteHeader();
  return static_cast<bool>(file_);
}

void RecordingAudioDevice::Close() {
  if (!mixer_) return;
  WriteHeader();
  file_.close();
  mixer_ = nullptr;
}

void RecordingAudioDevice::AdvanceTo(uint64_t milliseconds) {
  if (!mixer_) return;
  const uint64_t due = std::min(milliseconds * kOutputRate / 1000, kMaxFrames);
  while (frames_ < due) {
    const uint64_t count = std::min(due - frames_, kBlockFrames);
    block_.resize(static_cast<size_t>(count) * kOutputChannels);
    mixer_->Mix(block_);
    bytes_.resize(block_.size() * 2);
    for (size_t i = 0; i < block_.size(); ++i) {
      const auto sample = static_cast<uint16_t>(block_[i]);
      bytes_[2 * i] = static_cast<char>(sample & 0xFF);
      bytes_[2 * i + 1] = static_cast<char>(sample >> 8);
    }
    file_.write(bytes_.data(), static_cast<std::streamsize>(bytes_.size()));
    frames_ += count;
  }
}

void RecordingAudioDevice::WriteHeader() {
  const auto header =
      WavHeader(kOutputRate, kOutputChannels, static_cast<uint32_t>(frames_ * kOutputChannels * 2));
  const auto end = file_.tellp();
  file_.seekp(0);
  file_.write(reinterpret_cast<const char*>(header.data()), header.size());
  if (end > std::streampos(static_cast<std::streamoff>(header.size()))) file_.seekp(end);
}

}  // namespace tolven
