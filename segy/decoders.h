#pragma once

#include "headerfields.h"

#include <QString>

class CHeader;

// Display text of one field through the decoder the field table names.
QString decodeField(const CHeader* header, int fieldIndex, DecoderKind kind, bool* ok);
