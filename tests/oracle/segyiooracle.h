#pragma once

// Runs tests/oracle/segyio_dump.py under the Debian python3 with segyio and
// returns what segyio read from a file.

#include <QJsonObject>
#include <QString>

// The parsed object; {"ok": false, "error": ...} when segyio refused the
// file or the interpreter died (segyio aborts on some inputs).
QJsonObject segyioDump(const QString& path, bool littleEndian);
