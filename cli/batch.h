// Batch rendering: many barcodes from a file, several at a time.
#pragma once

#include <string>

#include "cli/options.h"

// Renders every line of options.batchFile. Lines are TYPE<TAB>TEXT<TAB>
// OUTPUT, or one text per line (the type from --type, the file named after
// the text in the -o directory). Returns the exit status: 0 when every line
// was written, 1 when some failed (each reported on stderr), 2 when the file
// cannot be read.
int RunBatch(const CliOptions& options);
