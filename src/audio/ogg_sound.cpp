#include "audio/ogg_sound.h"

#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

namespace tolven {
namespace {

constexpr int64_t kMaxSeconds = 3600;
// What is kept after the last sound, in bytes of PCM.
constexpr size_t kKeptAfterSoundBytes = 16000;

// The entry as a file for libvorbisfile: reads, seeks and tells over the bytes in memory.
struct MemoryStream {
  std::span<const uint8_t> bytes;
  size_t position = 0;
};

size_t ReadMemory(void* to, size_t size, size_t count, void* source) {
  auto* stream = static_cast<MemoryStream*>(source);
  if (size == 0) return 0;
  const size_t left = stream->bytes.size() - stream->position;
  const size_t items = std::min(count, left / size);
  if (items == 0) return 0;
  std::memcpy(to, stream->bytes.data() + stream->position, items * size);
  stream->position += items * size;
  return items;
}

int SeekMemory(void* source, ogg_int64_t offset, int origin) {
  auto* stream = static_cast<MemoryStream*>(source);
  const auto size = static_cast<ogg_int64_t>(stream->bytes.size());
  ogg_int64_t base = 0;
  if (origin == SEEK_CUR) base = static_cast<ogg_int64_t>(stream->position);
  if (origin == SEEK_END) base = size;
  if (offset < -base || offset > size - base) return -1;
  stream->position = static_cast<size_t>(base + offset);
  return 0;
}

long TellMemory(void* source) {
  return static_cast<long>(static_cast<MemoryStream*>(source)->position);
}

// Owns an open stream so every way out clears it.
class VorbisFile {
 public:
  explicit VorbisFile(MemoryStream& stream) {
    const ov_callbacks callbacks = {ReadMemory, SeekMemory, nullptr, TellMemory};
    open_ = ov_open_callbacks(&stream, &file_, nullptr, 0, callbacks) >= 0;
  }
  ~VorbisFile() {
    if (open_) ov_clear(&file_);
  }
  VorbisFile(const VorbisFile&) = delete;
  VorbisFile& operator=(const VorbisFile&) = delete;

  bool Open() const { return open_; }
  OggVorbis_File* Get() { return &file_; }

 private:
  OggVorbis_File file_{};
  bool open_ = false;
};

// Reads until the buffer is full or the stream ends; a damaged page ends it early and leaves
// the rest silent.
void ReadAll(OggVorbis_File* file, std::vector<int16_t>& samples) {
  char* out = reinterpret_cast<char*>(samples.data());
  const size_t total = samples.size() * 2;
  size_t filled = 0;
  int section = 0;
  while (filled < total) {
    const int ask = static_cast<int>(std::min<size_t>(total - filled, 1 << 30));
    const long got = ov_read(file, out + filled, ask, 0, 2, 1, &section);
    if (got <= 0) break;
    filled += static_cast<size_t>(got);
  }
}

}  // namespace

size_t TrimmedOggLength(std::span<const int16_t> samples) {
  const size_t bytes = samples.size() * 2;
  if (bytes < 4) return samples.size();
  size_t position = bytes - 4;
  auto silent = [&](size_t at) { return samples[at / 2] == 0 && samples[at / 2 + 1] == 0; };
  while (silent(position) && position > bytes / 2 && position >= 4) position -= 4;
  return std::min(position + kKeptAfterSoundBytes, bytes) / 2;
}

std::optional<Pcm> DecodeOggSound(std::span<const uint8_t> entry) {
  MemoryStream stream{entry, 0};
  VorbisFile vorbis(stream);
  if (!vorbis.Open()) return std::nullopt;
  const vorbis_info* info = ov_info(vorbis.Get(), -1);
  const ogg_int64_t frames = ov_pcm_total(vorbis.Get(), -1);
  if (!info || frames <= 0 ||
      !PlayableFormat(static_cast<int>(std::min<long>(info->rate, kMaxSampleRate + 1)),
                      info->channels) ||
      frames > kMaxSeconds * info->rate) {
    return std::nullopt;
  }
  Pcm pcm;
  pcm.rate = static_cast<int>(info->rate);
  pcm.channels = info->channels;
  try {
    pcm.samples.assign(static_cast<size_t>(frames) * static_cast<size_t>(pcm.channels), 0);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
  ReadAll(vorbis.Get(), pcm.samples);
  pcm.samples.resize(TrimmedOggLength(pcm.samples));
  return pcm;
}

}  // namespace tolven
