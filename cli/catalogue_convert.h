// The converter window's catalogue on the command line: `formats` lists the output format list,
// and `convert --format LINE ...` converts files as a batch of the window would, with the same
// core code and batch controller, and prints each row's result.
#pragma once

#include <ostream>

#include "commands.h"

namespace quorbel::cli {

// formats: the 62 lines of the output format list, separators included, one a line.
int FormatsCommand(const Arguments& args, std::ostream& out, std::ostream& err);

// True when convert's arguments ask for the catalogue mode (they hold --format).
bool IsCatalogueConvert(const Arguments& args);

// convert --format LINE [--set "LIST=ITEM"]... [--volume 0..10] [--aspect Original|4:3|16:9]
// [--overwrite] -d OUTDIR INPUT...: see kCatalogueUsage in catalogue_convert.cpp. Prints one
// line per input: its row result ("Done", "Fail", "Abort"), the input, and the output or the
// reason. Exit status: 0 every row done, 1 a row failed, 2 bad usage or a refused batch,
// 3 stopped by Ctrl-C.
int CatalogueConvertCommand(const Arguments& args, std::ostream& out, std::ostream& err);

}  // namespace quorbel::cli
