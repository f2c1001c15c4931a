#include "gen/source_writer.h"

#include <cstdio>
#include <filesystem>

#include "base/av_ptr.h"
#include "common/av_extra.h"
#include "gen/synthetic_media.h"

extern "C" {
#include <libavutil/opt.h>
}

namespace quorbel::bench {

namespace {

constexpr int kVariableFrameSamples = 1024;

struct Track {
  AVStream* stream = nullptr;
  CodecContextPtr encoder;
  FramePtr frame = MakeFrame();
  int64_t nextPts = 0;  // in the encoder's time base
};

CodecContextPtr NewEncoder(const std::string& name, const AVFormatContext& file) {
  const AVCodec* codec = avcodec_find_encoder_by_name(name.c_str());
  if (codec == nullptr) throw std::runtime_error("unknown encoder '" + name + "'");
  CodecContextPtr encoder(CheckAllocated(avcodec_alloc_context3(codec), "encoder"));
  if ((file.oformat->flags & AVFMT_GLOBALHEADER) != 0) encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  return encoder;
}

void OpenTrack(Track& track, AVFormatContext& file) {
  CheckAllocated(track.frame.get(), "frame");
  Check(avcodec_open2(track.encoder.get(), track.encoder->codec, nullptr), "cannot open the encoder");
  track.stream = CheckAllocated(avformat_new_stream(&file, nullptr), "stream");
  Check(avcodec_parameters_from_context(track.stream->codecpar, track.encoder.get()), "stream parameters");
  track.stream->time_base = track.encoder->time_base;
}

Track NewVideoTrack(const VideoTrackSettings& settings, AVFormatContext& file) {
  Track track;
  track.encoder = NewEncoder(settings.codec, file);
  AVCodecContext& encoder = *track.encoder;
  encoder.width = settings.width;
  encoder.height = settings.height;
  encoder.pix_fmt = AV_PIX_FMT_YUV420P;
  encoder.time_base = av_inv_q(settings.frameRate);
  encoder.framerate = settings.frameRate;
  encoder.bit_rate = settings.bitRate;
  for (const auto& [name, value] : settings.options) {
    Check(av_opt_set(&encoder, name.c_str(), value.c_str(), AV_OPT_SEARCH_CHILDREN), "option " + name);
  }
  OpenTrack(track, file);
  track.frame->format = encoder.pix_fmt;
  track.frame->width = encoder.width;
  track.frame->height = encoder.height;
  Check(av_frame_get_buffer(track.frame.get(), 0), "picture");
  return track;
}

Track NewAudioTrack(const AudioTrackSettings& settings, AVFormatContext& file) {
  Track track;
  track.encoder = NewEncoder(settings.codec, file);
  AVCodecContext& encoder = *track.encoder;
  encoder.sample_fmt =
      encoder.codec->sample_fmts != nullptr ? encoder.codec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
  encoder.sample_rate = settings.sampleRate;
  encoder.time_base = AVRational{1, settings.sampleRate};
  av_channel_layout_default(&encoder.ch_layout, settings.channels);
  if (settings.bitRate != 0) encoder.bit_rate = settings.bitRate;
  OpenTrack(track, file);
  track.frame->format = AV_SAMPLE_FMT_FLTP;
  track.frame->sample_rate = encoder.sample_rate;
  track.frame->nb_samples = encoder.frame_size > 0 ? encoder.frame_size : kVariableFrameSamples;
  Check(av_channel_layout_copy(&track.frame->ch_layout, &encoder.ch_layout), "layout");
  Check(av_frame_get_buffer(track.frame.get(), 0), "samples");
  return track;
}

// Sends frame (null: drain) and writes every packet it yields.
void EncodeAndWrite(Track& track, const AVFrame* frame, AVFormatContext& file, AVPacket& packet) {
  Check(avcodec_send_frame(track.encoder.get(), frame), "encoding");
  while (true) {
    const int received = avcodec_receive_packet(track.encoder.get(), &packet);
    if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) return;
    Check(received, "encoding");
    av_packet_rescale_ts(&packet, track.encoder->time_base, track.stream->time_base);
    packet.stream_index = track.stream->index;
    Check(av_interleaved_write_frame(&file, &packet), "writing");
  }
}

class SampleConverter {
 public:
  explicit SampleConverter(AVCodecContext& encoder) : encoder_(encoder) {
    CheckAllocated(converted_.get(), "frame");
    SwrContext* made = nullptr;
    Check(swr_alloc_set_opts2(&made, &encoder.ch_layout, encoder.sample_fmt, encoder.sample_rate,
                              &encoder.ch_layout, AV_SAMPLE_FMT_FLTP, encoder.sample_rate, 0, nullptr),
          "converter");
    converter_.reset(made);
    Check(swr_init(converter_.get()), "converter");
  }
  // The same samples in the encoder's format (same rate: nothing is held back).
  const AVFrame& Convert(const AVFrame& source) {
    av_frame_unref(converted_.get());
    converted_->format = encoder_.sample_fmt;
    converted_->sample_rate = source.sample_rate;
    converted_->nb_samples = source.nb_samples;
    Check(av_channel_layout_copy(&converted_->ch_layout, &source.ch_layout), "layout");
    Check(av_frame_get_buffer(converted_.get(), 0), "samples");
    Check(swr_convert(converter_.get(), converted_->data, source.nb_samples,
                      const_cast<const uint8_t**>(source.extended_data), source.nb_samples),
          "converting");
    converted_->pts = source.pts;
    return *converted_;
  }

 private:
  const AVCodecContext& encoder_;
  SwrContextPtr converter_;
  FramePtr converted_ = MakeFrame();
};

}  // namespace

void WriteSource(const std::string& path, const ContainerSettings& container,
                 const std::optional<VideoTrackSettings>& video, const AudioTrackSettings& audio,
                 double seconds) {
  const std::string partial = path + ".part";
  AVFormatContext* allocated = nullptr;
  Check(avformat_alloc_output_context2(&allocated, nullptr, container.formatName.c_str(), partial.c_str()),
        "cannot write " + container.formatName);
  const OutputFilePtr file(allocated);
  std::optional<Track> picture;
  if (video) picture.emplace(NewVideoTrack(*video, *file));
  Track sound = NewAudioTrack(audio, *file);
  SampleConverter converter(*sound.encoder);
  Check(avio_open(&file->pb, partial.c_str(), AVIO_FLAG_WRITE), "cannot create " + partial);
  AVDictionary* options = nullptr;
  for (const auto& [name, value] : container.options) av_dict_set(&options, name.c_str(), value.c_str(), 0);
  const int written = avformat_write_header(file.get(), &options);
  const DictionaryPtr unused(options);
  Check(written, "cannot write the header");

  const PacketPtr packet = MakePacket();
  CheckAllocated(packet.get(), "packet");
  const int64_t totalSamples = static_cast<int64_t>(seconds * audio.sampleRate);
  const int64_t totalPictures = picture ? static_cast<int64_t>(seconds * av_q2d(video->frameRate)) : 0;
  while (true) {
    const bool soundLeft = sound.nextPts < totalSamples;
    const bool picturesLeft = picture && picture->nextPts < totalPictures;
    if (!soundLeft && !picturesLeft) break;
    const bool pictureFirst =
        picturesLeft && (!soundLeft || av_compare_ts(picture->nextPts, picture->encoder->time_base,
                                                     sound.nextPts, sound.encoder->time_base) <= 0);
    if (pictureFirst) {
      Check(av_frame_make_writable(picture->frame.get()), "picture");
      PaintPicture(*picture->frame, picture->nextPts);
      picture->frame->pts = picture->nextPts++;
      EncodeAndWrite(*picture, picture->frame.get(), *file, *packet);
    } else {
      Check(av_frame_make_writable(sound.frame.get()), "samples");
      FillSound(*sound.frame, sound.nextPts);
      sound.frame->pts = sound.nextPts;
      sound.nextPts += sound.frame->nb_samples;
      EncodeAndWrite(sound, &converter.Convert(*sound.frame), *file, *packet);
    }
  }
  if (picture) EncodeAndWrite(*picture, nullptr, *file, *packet);
  EncodeAndWrite(sound, nullptr, *file, *packet);
  Check(av_write_trailer(file.get()), "cannot finish the file");
  std::filesystem::rename(partial, path);
}

}  // namespace quorbel::bench
