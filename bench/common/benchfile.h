#pragma once

#include <QString>
#include <QStringList>

// The shared benchmark input: a 1,000,000-trace SEG-Y file (250 IBM samples
// per trace, 1.24 GB) kept outside the repository. Made once, atomically,
// and reused by every benchmark.
//
// Location: $TREVALON_BENCH_FILE, else $TREVALON_BENCH_DIR/million.sgy,
// else /tmp/trevalon-bench/million.sgy.
QString benchFilePath();

// Creates the file when it is missing; returns its path, or an empty string
// (having said so on standard error) when it could not be written.
QString ensureBenchFile(int traces = 1000000, int samples = 250);

// Reads a whole file, so that timed loads start from a warm page cache;
// returns the seconds it took, or -1 when the file cannot be read.
double readWholeFile(const QString& path);

// A second input of the same size with the geometry of a field survey: a
// 2-D line of 2,000 shots into 500 channels each, on surveyed stations every
// 12.5 m, a shot every other station into a split spread. The channels of a
// shot share its source position, receiver stations come back shot after
// shot, and the CDP is the midpoint of source and receiver, so nearly every
// CDP position is new. ED50 / UTM zone 31N centimetres, scalar -100.
// Location: $TREVALON_BENCH_DIR/field.sgy, else /tmp/trevalon-bench/field.sgy.
QString fieldBenchFilePath();
QString ensureFieldBenchFile();

// A third input of the same size, post-stack 3-D: 1,000 inlines of 1,000
// crosslines on a grid turned 30 degrees from north, 12.5 m between
// crosslines and 25 m between inlines, CDP positions off their nodes by up
// to 30 cm, and a few traces numbered as their neighbour (each a missing
// and a doubled node). No source or receiver positions. Centimetres,
// scalar -100. Location: $TREVALON_BENCH_DIR/grid.sgy, else
// /tmp/trevalon-bench/grid.sgy.
QString gridBenchFilePath();
QString ensureGridBenchFile();

// Seconds one run of the built trevalon executable (beside the benchmark's
// own) takes with these arguments, its output thrown away; negative when
// it fails.
double timeProgramRun(const QStringList& arguments);

// Peak resident set of this process in bytes (VmHWM), 0 when unknown.
qint64 peakResidentBytes();

// CPU seconds used so far by this process, and by its finished children.
double processCpuSeconds();
double childrenCpuSeconds();
