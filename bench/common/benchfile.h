#pragma once

#include <QString>

// The shared benchmark input: a 1,000,000-trace SEG-Y file (250 IBM samples
// per trace, 1.24 GB) kept outside the repository. Made once, atomically,
// and reused by every benchmark.
//
// Location: $TREVALON_BENCH_FILE, else $TREVALON_BENCH_DIR/million.sgy,
// else /tmp/trevalon-bench/million.sgy.
QString benchFilePath();

// Creates the file when it is missing; returns its path, or an empty string
// when it could not be written.
QString ensureBenchFile(int traces = 1000000, int samples = 250);

// Peak resident set of this process in bytes (VmHWM), 0 when unknown.
qint64 peakResidentBytes();

// CPU seconds used so far by this process, and by its finished children.
double processCpuSeconds();
double childrenCpuSeconds();
