// An owned channel layout, for library calls that take layouts by non-const pointer.
#pragma once

extern "C" {
#include <libavutil/channel_layout.h>
}

namespace quorbel {

class OwnedChannelLayout {
 public:
  // The usual layout for that many channels.
  explicit OwnedChannelLayout(int channels) { av_channel_layout_default(&layout_, channels); }
  // A copy of source (empty when copying fails).
  explicit OwnedChannelLayout(const AVChannelLayout& source) { av_channel_layout_copy(&layout_, &source); }
  ~OwnedChannelLayout() { av_channel_layout_uninit(&layout_); }
  OwnedChannelLayout(const OwnedChannelLayout&) = delete;
  OwnedChannelLayout& operator=(const OwnedChannelLayout&) = delete;

  AVChannelLayout* get() { return &layout_; }

 private:
  AVChannelLayout layout_{};
};

}  // namespace quorbel
