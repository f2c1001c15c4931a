// The Windows Media reader over libavformat's ASF demuxer, reading the file through the
// IStream given to OpenStream.
//
// What it does: opens asynchronously (WMT_OPENED with the result; files that are not ASF fail
// with VFW_E_INVALID_FILE_FORMAT, encrypted ones with E_ACCESSDENIED); describes each stream
// (number as in the file, media type, largest sample, found by reading the file once at
// open); delivers every demuxed packet as a compressed stream sample through
// IWMReaderCallbackAdvanced, in file order, into buffers from AllocateForStream (or buffers of
// its own), with times in 100 ns, WM_SF_CLEANPOINT for key frames, WM_SF_DISCONTINUITY on the
// first sample of each stream after each Start and WM_SF_DATALOSS after a damaged packet or a
// lost one; with the user-provided clock it delivers samples up to the time DeliverTime
// allowed and then calls OnTime with that time once; at the end it reports
// WMT_END_OF_STREAMING and then WMT_EOF, once each per Start.
//
// Threads: one thread demuxes and makes the sample and clock callbacks; another reports the
// statuses, in order. Stop and Close complete (WMT_STOPPED, WMT_CLOSED) even while the
// sample thread waits in AllocateForStream: once they are reported no sample callback follows,
// and a buffer that the waiting AllocateForStream returns later is released unused. Releasing
// the reader joins its threads, so a callback that still waits then must be woken first.
//
// What it does not do: decompress (OnSample is never called; streams not switched to stream
// samples are not delivered), play backwards (negative rates: E_NOTIMPL), play a range
// (Start with a duration: E_NOTIMPL), pace delivery by a clock of its own (without the
// user-provided clock samples go as fast as the callbacks take them), or select among
// mutually exclusive streams (every audio and video stream is selected).
#pragma once

#include "wmsdk/interfaces.h"

namespace quorbel::wmsdk {

// Creates the reader object (WMCreateReader does this).
HRESULT CreateReader(IWMReader** reader);

}  // namespace quorbel::wmsdk
