#include "segy.h"

bool SEGY::importTraceHeadersFromASCIIFile(QString, QString)
{
    return false;
}

bool SEGY::exportTraceHeadersToASCIIFile(QString, QString)
{
    return false;
}
