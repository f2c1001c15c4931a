#include "pipeline/run_setup.h"

#include <cstring>
#include <new>

#include "base/text.h"
#include "options/generic_options.h"
#include "quorbel/exceptions.h"

extern "C" {
#include <libavutil/time.h>
}

namespace quorbel {

namespace {

// The tables are the run's first allocations; running out of memory there has its own text.
template <typename Build>
void AllocateTable(Build build) {
  try {
    build();
  } catch (const std::bad_alloc&) {
    throw FFMpegException("av_mallocz fail");
  }
}

AVMediaType InputType(const TInputStreamState& ist) {
  return ist.Stream->codecpar->codec_type;
}

AVMediaType OutputType(const TOutputStreamState& ost) {
  return ost.Encoder()->codec_type;
}

[[noreturn]] void FailWithOutputDescription(TCustomFFmpeg& job, const TOutputStreamState& ost,
                                            const std::string& message) {
  const OutputFile& file = job.outputFiles[static_cast<size_t>(ost.FileIndex)];
  av_dump_format(file.context.get(), ost.FileIndex, file.fileName.c_str(), 1);
  throw FFMpegException(message);
}

bool InsideFile(const RunTables& tables, int32_t file, int32_t stream) {
  return file >= 0 && static_cast<size_t>(file) < tables.InputFiles.size() && stream >= 0 &&
         stream < tables.InputFiles[static_cast<size_t>(file)].StreamCount;
}

TInputStreamState* StreamOf(RunTables& tables, int32_t file, int32_t stream) {
  const size_t index = static_cast<size_t>(tables.InputFiles[static_cast<size_t>(file)].FirstStream + stream);
  return tables.InputStreams[index].get();
}

void CheckStreamMaps(const TCustomFFmpeg& job, const RunTables& tables, size_t outputCount) {
  const std::vector<TStreamMap>& maps = job.settings.streamMaps;
  if (!maps.empty() && maps.size() != outputCount) {
    throw FFMpegException("Number of stream maps must match number of output streams");
  }
  for (const TStreamMap& map : maps) {
    if (!InsideFile(tables, map.file, map.stream)) {
      throw FFMpegException(StrPrintf("Could not find input stream #%d.%d", map.file, map.stream));
    }
    if (!InsideFile(tables, map.syncFile, map.syncStream)) {
      throw FFMpegException(StrPrintf("Could not find sync stream #%d.%d", map.syncFile, map.syncStream));
    }
  }
}

// The first unclaimed stream of the wanted kind in the program of the given id, searching the
// files in order.
int32_t SourceInProgram(const TCustomFFmpeg& job, const RunTables& tables, int32_t programId,
                        AVMediaType type) {
  for (size_t f = 0; f < job.inputFiles.size(); ++f) {
    const AVFormatContext* context = job.inputFiles[f].context.get();
    const TInputFileState& file = tables.InputFiles[f];
    for (unsigned p = 0; p < context->nb_programs; ++p) {
      const AVProgram* program = context->programs[p];
      if (program->id != programId) continue;
      for (unsigned i = 0; i < program->nb_stream_indexes; ++i) {
        const int32_t stream = static_cast<int32_t>(program->stream_index[i]);
        if (stream >= file.StreamCount) continue;
        const int32_t index = file.FirstStream + stream;
        const TInputStreamState& candidate = *tables.InputStreams[static_cast<size_t>(index)];
        if (candidate.Discard && InputType(candidate) == type) return index;
      }
    }
  }
  return -1;
}

// The first unclaimed stream of the wanted kind; when all are claimed, the last of that kind.
int32_t FirstFreeOrLastOfType(const RunTables& tables, AVMediaType type) {
  int32_t last = -1;
  for (size_t i = 0; i < tables.InputStreams.size(); ++i) {
    const TInputStreamState& candidate = *tables.InputStreams[i];
    if (InputType(candidate) != type) continue;
    if (candidate.Discard) return static_cast<int32_t>(i);
    last = static_cast<int32_t>(i);
  }
  return last;
}

void ChooseSource(TCustomFFmpeg& job, RunTables& tables, TOutputStreamState& ost, size_t position) {
  const std::vector<TStreamMap>& maps = job.settings.streamMaps;
  const AVMediaType type = OutputType(ost);
  if (!maps.empty()) {
    const TStreamMap& map = maps[position];
    TInputStreamState* source = StreamOf(tables, map.file, map.stream);
    if (InputType(*source) != type) {
      FailWithOutputDescription(job, ost,
                                StrPrintf("Codec type mismatch for mapping #%d.%d -> #%d.%d", map.file,
                                          map.stream, ost.FileIndex, ost.StreamIndex));
    }
    ost.SourceIndex = tables.InputFiles[static_cast<size_t>(map.file)].FirstStream + map.stream;
    ost.SyncStream = StreamOf(tables, map.syncFile, map.syncStream);
  } else {
    const int32_t programId = job.settings.programId;
    ost.SourceIndex =
        programId != 0 ? SourceInProgram(job, tables, programId, type) : FirstFreeOrLastOfType(tables, type);
    if (ost.SourceIndex < 0) {
      FailWithOutputDescription(job, ost,
                                StrPrintf("Could not find input stream matching output stream #%d.%d",
                                          ost.FileIndex, ost.StreamIndex));
    }
    ost.SyncStream = tables.InputStreams[static_cast<size_t>(ost.SourceIndex)].get();
  }
  tables.InputStreams[static_cast<size_t>(ost.SourceIndex)]->Discard = false;
}

void LogStreamMapping(TCustomFFmpeg& job, const RunTables& tables) {
  if (job.Verbosity() < 0) return;
  job.Log(1, "Stream mapping:");
  for (const auto& ost : tables.OutputStreams) {
    const TInputStreamState& source = *tables.InputStreams[static_cast<size_t>(ost->SourceIndex)];
    job.Log(1, StrPrintf("  Stream #%d.%d -> #%d.%d", source.FileIndex, source.StreamIndex, ost->FileIndex,
                         ost->StreamIndex));
    if (ost->SyncStream != &source) {
      job.Log(1, StrPrintf(" [sync #%d.%d]", ost->SyncStream->FileIndex, ost->SyncStream->StreamIndex));
    }
  }
}

void AllocateEncodeBuffer(TCustomFFmpeg& job) {
  RunState& run = job.run;
  if (run.EncodeBuffer) return;
  run.EncodeBuffer.reset(static_cast<uint8_t*>(av_malloc(static_cast<size_t>(run.EncodeBufferSize))));
  if (!run.EncodeBuffer) throw FFMpegException("av_malloc fail");
}

void StartInputClocks(RunTables& tables) {
  for (auto& ist : tables.InputStreams) {
    ist->Pts = 0;
    ist->NextPts = AV_NOPTS_VALUE;
    ist->IsStart = true;
  }
}

}  // namespace

AVRational DecoderTimeBase(const AVStream* stream) {
  const AVCodecParameters* parameters = stream->codecpar;
  if (parameters->codec_type == AVMEDIA_TYPE_VIDEO && stream->r_frame_rate.num > 0 &&
      stream->r_frame_rate.den > 0) {
    return av_inv_q(stream->r_frame_rate);
  }
  if (parameters->codec_type == AVMEDIA_TYPE_AUDIO && parameters->sample_rate > 0) {
    return AVRational{1, parameters->sample_rate};
  }
  return AVRational{0, 1};
}

void BuildInputTables(TCustomFFmpeg& job, RunTables& tables) {
  AllocateTable([&] {
    int32_t counter = 0;
    for (const InputFile& file : job.inputFiles) {
      TInputFileState state;
      state.FirstStream = counter;
      state.StreamCount = static_cast<int32_t>(file.streams.size());
      counter += state.StreamCount;
      tables.InputFiles.push_back(state);
    }
    for (size_t f = 0; f < job.inputFiles.size(); ++f) {
      InputFile& file = job.inputFiles[f];
      for (size_t s = 0; s < file.streams.size(); ++s) {
        auto ist = std::make_unique<TInputStreamState>();
        ist->FileIndex = static_cast<int32_t>(f);
        ist->StreamIndex = static_cast<int32_t>(s);
        ist->Stream = file.streams[s].stream;
        ist->Input = &file.streams[s];
        if (ist->Input->rateEmulation) {
          ist->ReadStart = av_gettime();
          ist->EmuFrames = 0;
        }
        tables.InputStreams.push_back(std::move(ist));
      }
    }
  });
}

void BuildOutputTable(TCustomFFmpeg& job, RunTables& tables) {
  size_t outputCount = 0;
  for (const OutputFile& file : job.outputFiles) {
    if (file.streams.empty()) throw FFMpegException("Output file does not contain any stream");
    outputCount += file.streams.size();
  }
  CheckStreamMaps(job, tables, outputCount);
  AllocateTable([&] {
    for (size_t f = 0; f < job.outputFiles.size(); ++f) {
      OutputFile& file = job.outputFiles[f];
      for (size_t s = 0; s < file.streams.size(); ++s) {
        auto ost = std::make_unique<TOutputStreamState>();
        ost->FileIndex = static_cast<int32_t>(f);
        ost->StreamIndex = static_cast<int32_t>(s);
        ost->Stream = file.streams[s].stream;
        ost->Output = &file.streams[s];
        tables.OutputStreams.push_back(std::move(ost));
      }
    }
  });
  for (size_t n = 0; n < tables.OutputStreams.size(); ++n)
    ChooseSource(job, tables, *tables.OutputStreams[n], n);
}

void PrepareRun(TCustomFFmpeg& job, RunTables& tables) {
  BuildInputTables(job, tables);
  BuildOutputTable(job, tables);
  ConfigureStreams(job, tables);
  AllocateEncodeBuffer(job);
  for (size_t f = 0; f < job.outputFiles.size(); ++f) {
    const OutputFile& file = job.outputFiles[f];
    av_dump_format(file.context.get(), static_cast<int>(f), file.fileName.c_str(), 1);
  }
  LogStreamMapping(job, tables);
  OpenEncoders(job, tables);
  OpenDecoders(job, tables);
  StartInputClocks(tables);
  CopyMappedMetadata(job);
}

void StartOutputs(TCustomFFmpeg& job) {
  bool allRtp = !job.outputFiles.empty();
  for (size_t f = 0; f < job.outputFiles.size(); ++f) {
    OutputFile& file = job.outputFiles[f];
    AVDictionary* options = CopyOptions(file.muxerOptions.get()).release();
    const int written = avformat_write_header(file.context.get(), &options);
    const DictionaryPtr unused(options);
    if (written < 0) {
      throw FFMpegException(StrPrintf(
          "Could not write header for output file #%d (incorrect codec parameters ?)", static_cast<int>(f)));
    }
    LogUnusedOptions(job, unused.get(), StrPrintf("output file #%d", static_cast<int>(f)));
    allRtp = allRtp && std::strcmp(file.context->oformat->name, "rtp") == 0;
  }
  if (allRtp && job.HasLogCallback()) {
    std::vector<AVFormatContext*> contexts;
    for (OutputFile& file : job.outputFiles) contexts.push_back(file.context.get());
    char description[2048] = {};
    av_sdp_create(contexts.data(), static_cast<int>(contexts.size()), description, sizeof(description));
    job.Log(1, "SDP: " + Trim(description));
  }
  job.run.TimerStart = av_gettime();
}

}  // namespace quorbel
