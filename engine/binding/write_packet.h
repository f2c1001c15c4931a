// Hands a finished packet to the interleaving multiplexer of an output file.
#pragma once

extern "C" {
#include <libavformat/avformat.h>
}

namespace quorbel {

// Writes `packet` through av_interleaved_write_frame. A refusal throws FFMpegException with
// LibraryErrorText("av_interleaved_write_frame()", result). The packet stays the caller's:
// whatever the result it is left blank or unchanged, and the caller may unref it.
void WritePacket(AVFormatContext* outputFile, AVPacket* packet);

}  // namespace quorbel
