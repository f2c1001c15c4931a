#include "gen/synthetic_media.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace quorbel::bench {

namespace {

// xorshift32: cheap, deterministic grain.
uint32_t NextRandom(uint32_t& state) {
  state ^= state << 13;
  state ^= state >> 17;
  state ^= state << 5;
  return state;
}

uint8_t Clamp(int value) {
  return static_cast<uint8_t>(std::clamp(value, 0, 255));
}

// A position that bounces between 0 and `span` at `speed` per step.
int Bounce(int64_t step, int speed, int span) {
  if (span <= 0) return 0;
  const int64_t travelled = (step * speed) % (2 * static_cast<int64_t>(span));
  return static_cast<int>(travelled < span ? travelled : 2 * span - travelled);
}

void PaintBlock(AVFrame& frame, int left, int top, int size, uint8_t luma, uint8_t u, uint8_t v) {
  for (int y = top; y < std::min(top + size, frame.height); ++y) {
    std::fill_n(frame.data[0] + y * frame.linesize[0] + left, std::min(size, frame.width - left), luma);
  }
  for (int y = top / 2; y < std::min((top + size) / 2, frame.height / 2); ++y) {
    const int width = std::min(size / 2, frame.width / 2 - left / 2);
    std::fill_n(frame.data[1] + y * frame.linesize[1] + left / 2, width, u);
    std::fill_n(frame.data[2] + y * frame.linesize[2] + left / 2, width, v);
  }
}

}  // namespace

void PaintPicture(AVFrame& frame, int64_t index) {
  const int shift = static_cast<int>(index % 1024);
  uint32_t grain = static_cast<uint32_t>(index) * 2654435761u + 1u;
  for (int y = 0; y < frame.height; ++y) {
    uint8_t* row = frame.data[0] + y * frame.linesize[0];
    for (int x = 0; x < frame.width; ++x) {
      const int wave = ((x + 2 * shift) ^ (y + shift)) & 0xff;
      row[x] = Clamp(wave / 2 + 64 + static_cast<int>(NextRandom(grain) % 17) - 8);
    }
  }
  for (int y = 0; y < frame.height / 2; ++y) {
    uint8_t* u = frame.data[1] + y * frame.linesize[1];
    uint8_t* v = frame.data[2] + y * frame.linesize[2];
    for (int x = 0; x < frame.width / 2; ++x) {
      u[x] = static_cast<uint8_t>(128 + ((x + shift) % 128) / 2 - 32);
      v[x] = static_cast<uint8_t>(128 + ((y + 3 * shift) % 128) / 2 - 32);
    }
  }
  const int size = std::max(16, frame.height / 6);
  for (int block = 0; block < 4; ++block) {
    const int left = Bounce(index + 37 * block, 5 + 3 * block, frame.width - size);
    const int top = Bounce(index + 53 * block, 3 + 2 * block, frame.height - size);
    PaintBlock(frame, left & ~1, top & ~1, size, static_cast<uint8_t>(40 + 50 * block),
               static_cast<uint8_t>(60 + 40 * block), static_cast<uint8_t>(200 - 40 * block));
  }
}

void FillSound(AVFrame& frame, int64_t firstSample) {
  uint32_t hiss = static_cast<uint32_t>(firstSample) * 2246822519u + 7u;
  const double rate = frame.sample_rate;
  for (int i = 0; i < frame.nb_samples; ++i) {
    const double t = static_cast<double>(firstSample + i) / rate;
    const double glide = 220.0 + 110.0 * std::sin(2.0 * std::numbers::pi * 0.1 * t);
    const double tone = 0.3 * std::sin(2.0 * std::numbers::pi * glide * t) +
                        0.2 * std::sin(2.0 * std::numbers::pi * (glide * 1.5 + 3.0) * t);
    for (int channel = 0; channel < frame.ch_layout.nb_channels; ++channel) {
      const double noise = (static_cast<double>(NextRandom(hiss) % 2001) - 1000.0) / 1000.0 * 0.02;
      reinterpret_cast<float*>(frame.extended_data[channel])[i] =
          static_cast<float>(tone * (1.0 - 0.3 * channel) + noise);
    }
  }
}

}  // namespace quorbel::bench
