#include "binding/write_packet.h"

#include "binding/error_text.h"
#include "quorbel/exceptions.h"

namespace quorbel {

void WritePacket(AVFormatContext* outputFile, AVPacket* packet) {
  const int result = av_interleaved_write_frame(outputFile, packet);
  if (result < 0) throw FFMpegException(LibraryErrorText("av_interleaved_write_frame()", result));
}

}  // namespace quorbel
