#include "audio_fixtures.h"

#include <vorbis/vorbisenc.h>

#include <cmath>
#include <numbers>
#include <stdexcept>

#include "test_support.h"
#include "tools/archive_writer.h"

namespace tolven::testing {
namespace {

void AppendPage(const ogg_page& page, std::vector<uint8_t>& out) {
  out.insert(out.end(), page.header, page.header + page.header_len);
  out.insert(out.end(), page.body, page.body + page.body_len);
}

// libvorbis's encoder state, torn down in reverse order of set-up.
struct Encoder {
  vorbis_info info;
  vorbis_comment comment;
  vorbis_dsp_state dsp;
  vorbis_block block;
  ogg_stream_state stream;

  Encoder(int rate, int channels) {
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, channels, rate, 0.4f) != 0) {
      throw std::runtime_error("vorbis encoder set-up failed");
    }
    vorbis_comment_init(&comment);
    vorbis_analysis_init(&dsp, &info);
    vorbis_block_init(&dsp, &block);
    ogg_stream_init(&stream, 1);
  }
  ~Encoder() {
    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
  }

  void WriteHeaders(std::vector<uint8_t>& out) {
    ogg_packet id, comments, codebooks;
    vorbis_analysis_headerout(&dsp, &comment, &id, &comments, &codebooks);
    ogg_stream_packetin(&stream, &id);
    ogg_stream_packetin(&stream, &comments);
    ogg_stream_packetin(&stream, &codebooks);
    ogg_page page;
    while (ogg_stream_flush(&stream, &page) != 0) AppendPage(page, out);
  }

  void Drain(std::vector<uint8_t>& out) {
    ogg_packet packet;
    ogg_page page;
    while (vorbis_analysis_blockout(&dsp, &block) == 1) {
      vorbis_analysis(&block, nullptr);
      vorbis_bitrate_addblock(&block);
      while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
        ogg_stream_packetin(&stream, &packet);
        while (ogg_stream_pageout(&stream, &page) != 0) AppendPage(page, out);
      }
    }
  }
};

}  // namespace

Pcm Sine(int rate, int channels, size_t frames, int amplitude, double period) {
  Pcm pcm{rate, channels, {}};
  for (size_t i = 0; i < frames; ++i) {
    const double value = amplitude * std::sin(2 * std::numbers::pi * i / period);
    for (int c = 0; c < channels; ++c) {
      pcm.samples.push_back(static_cast<int16_t>(std::lround(c == 0 ? value : -value)));
    }
  }
  return pcm;
}

std::vector<uint8_t> OggBytes(const Pcm& pcm, size_t silentFrames) {
  Encoder encoder(pcm.rate, pcm.channels);
  std::vector<uint8_t> out;
  encoder.WriteHeaders(out);
  const size_t frames = pcm.Frames() + silentFrames;
  float** buffer = vorbis_analysis_buffer(&encoder.dsp, static_cast<int>(frames));
  for (size_t i = 0; i < frames; ++i) {
    for (int c = 0; c < pcm.channels; ++c) {
      buffer[c][i] = i < pcm.Frames() ? pcm.samples[i * pcm.channels + c] / 32768.0f : 0.0f;
    }
  }
  vorbis_analysis_wrote(&encoder.dsp, static_cast<int>(frames));
  encoder.Drain(out);
  vorbis_analysis_wrote(&encoder.dsp, 0);
  encoder.Drain(out);
  return out;
}

void WriteArchive(const std::filesystem::path& path,
                  const std::vector<std::pair<std::string, std::vector<uint8_t>>>& entries) {
  std::vector<tools::ArchiveInput> inputs;
  for (const auto& [name, data] : entries) inputs.push_back({name, data});
  WriteFileBytes(path, tools::BuildArchive(ArchiveLayout::B, inputs));
}

std::vector<int16_t> LeftChannel(const std::vector<int16_t>& stereo) {
  std::vector<int16_t> left;
  for (size_t i = 0; i < stereo.size(); i += 2) left.push_back(stereo[i]);
  return left;
}

}  // namespace tolven::testing
