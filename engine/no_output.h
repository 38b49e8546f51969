// The sink that keeps nothing: every body is decoded and checked, nothing
// touches the disk. For testing and listing an archive.
#ifndef CORVANE_ENGINE_NO_OUTPUT_H
#define CORVANE_ENGINE_NO_OUTPUT_H

#include "engine/output_sink.h"

OutputSink NoOutputSink();

#endif
