#pragma once

#include <QtGlobal>

// Sample formats of the binary header's data sample format code.
// Bytes per sample: 4 for codes 1, 2, 4, 5; 2 for 3; 1 for 8; for the codes
// later revisions added, 8 for 9 and 12, 4 for 10, 2 for 11, 3 for 15, 1 for
// 16 (their samples are copied, never decoded); 0 for any other.
int bytesPerSampleForFormat(int formatCode);

// A value as an IBM System/360 single-precision word. (The file model copies
// samples as stored; decoding them is left to tests, tests/support.)
quint32 floatToIbm(float value);
