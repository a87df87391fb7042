#pragma once

#include <QtGlobal>

// Sample formats of the binary header's data sample format code.
// Bytes per sample: 4 for codes 1, 2, 4, 5; 2 for 3; 1 for 8; for the codes
// later revisions added, 8 for 9 and 12, 4 for 10, 2 for 11, 3 for 15, 1 for
// 16 (their samples are copied, never decoded); 0 for any other.
int bytesPerSampleForFormat(int formatCode);

// IBM System/360 single precision, both ways.
float ibmToFloat(quint32 word);
quint32 floatToIbm(float value);

// Decodes count samples stored in format code formatCode into doubles.
// Codes without a decoding leave out untouched.
void decodeSamples(int formatCode, const uchar* in, int count, bool littleEndian, double* out);
// Encodes count doubles into the stored form of formatCode.
void encodeSamples(int formatCode, const double* in, int count, bool littleEndian, uchar* out);
