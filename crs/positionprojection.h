#pragma once

#include "crsdefinition.h"

#include <QString>

struct TracePositions;

// Projects positions held as angles (decimal degrees) into a projected
// system, from the geographic system that system is based on (so degrees
// on the ED50 datum go into ED50 / UTM, WGS 84 degrees into WGS 84 / UTM).
// Positions already held as lengths are left as they are. On success the
// positions are marked projected; a system PROJ refuses, a geographic
// target or a position PROJ cannot project leaves them unchanged and
// returns false with the reason in *error.
bool projectTracePositions(TracePositions* positions, const CrsDefinition& target, QString* error);
