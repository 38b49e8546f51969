// The sink of extract -O: every file's bytes, in archive order, to
// standard output; no folder and nothing else on disk.
#ifndef CORVANE_CLI_STDOUT_OUTPUT_H
#define CORVANE_CLI_STDOUT_OUTPUT_H

#include "engine/output_sink.h"

struct StdoutOutput {
  int error = 0;  // errno of the first failed write, 0 while all went out
};

OutputSink StdoutSink(StdoutOutput* out);

#endif
