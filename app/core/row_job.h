// Building the engine job of one source row: the output file name, the input options for AddJob
// and the output options for SetJobOutput. The batch flow calls these in its own order, around the
// engine calls, so that a failure lands where it belongs.
#pragma once

#include <string>
#include <string_view>

#include "quorbel/options.h"

namespace quorbel::app {

class MainSettings;

// path with its last extension replaced by extension when that file does not exist; otherwise
// the first free of base-1.ext, base-2.ext, ... Anything present under a name, a folder or a
// dangling link included, makes it taken.
std::string UniqueOutputName(const std::string& path, const std::string& extension);

// The output file of source in folder (trimmed): the source's file name with the extension
// "." + lower-case outputTag. With overwrite that name is used even when it exists, unless it is
// the source file itself, which is never written over: then, and without overwrite, the name is
// made unique.
std::string RowOutputName(const std::string& folder, const std::string& source, const std::string& outputTag,
                          bool overwrite);

// The input options of a row: defaults, FileName source, StartTime 0.
TInputOptions RowInputOptions(const std::string& source);

// The aspect ratio of a "Video Size" cell such as "720x576": width / height rounded to four
// decimals in the shortest form ("1.25"). An empty cell counts as 640x480; a cell that gives no
// positive ratio gives "1.3333".
std::string AspectRatioOfVideoSize(std::string_view videoSizeCell);

// Resets options and fills them for a row: the format's mapping, the volume, and the aspect
// ratio chosen in the options dialog ("Original": the ratio of the row's "Video Size" cell).
// Throws ConversionError, as the mappings do, with options left at their defaults.
void FillJobOutputOptions(const MainSettings& main, std::string_view videoSizeCell, TOutputOptions& options);

}  // namespace quorbel::app
