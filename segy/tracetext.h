#pragma once

// Trace headers as delimited text: one line of field labels, then one line
// of the 91 values per trace, every cell followed by the separator, CR LF
// line ends, UTF-8. Functions over an open QIODevice; SEGY wraps them for
// files and emits their messages.

#include "fieldlayout.h"
#include "headerchanges.h"

#include <QChar>
#include <QList>
#include <QStringList>
#include <functional>

class QIODevice;
class SEGYTraceHeader;

// What writing or reading trace headers as text did.
struct TraceTextResult {
    bool ok = false;
    qint64 rows = 0;       // data lines written, or read into trace headers
    ApplyResult applied;   // import: what storing the values changed
    QStringList messages;  // reports, in the order the file object emits them
    QString error;         // the first failure's reason; empty on success
};

// Whether c is part of numbers as they are written: a digit, "+", "-" or
// ".". Such a character cannot separate values, since it would cut numbers.
bool isNumberCharacter(QChar c);
// Why delimiter cannot separate values, when it holds a number character;
// empty when it can.
QString delimiterRefusal(const QString& delimiter);
// That reason, for a delimiter known to cut numbers.
QString numberDelimiterMessage(const QString& delimiter);

// Custom fields as columns after the standard ones, titled by their names,
// in a file of the given byte order.
struct CustomColumns {
    QList<FieldDescription> fields;
    bool littleEndian = false;
    FieldReader read;  // for an export of fields beyond the trace header itself
};

// Writes the headers (0 for a missing one) to a device open for writing;
// a separator holding a number character is refused before anything is
// written.
TraceTextResult writeTraceHeaderText(QIODevice* device, const QList<SEGYTraceHeader*>& headers,
                                     const QString& separator, const std::function<void(int)>& progress = {},
                                     const CustomColumns& custom = {});

// Reads text from a device open for reading into changes for the headers:
// columns match fields by their exact label (custom fields: by name, their
// bytes stored through the standard fields), line r goes to trace r, the
// sample count (115-116) is never changed. Nothing is stored; the changes
// are complete only when the result is ok. name stands for the text in
// messages. Lines end with LF, CR LF or CR alone; with a separator of white
// space only, white space at either end of a line is no cell. A text that
// gives no value for any field of any trace is a failure.
TraceTextResult readTraceHeaderText(QIODevice* device, const QString& name, const QList<SEGYTraceHeader*>& headers,
                                    const QString& separator, HeaderChanges* changes,
                                    const std::function<void(int)>& progress = {}, const CustomColumns& custom = {});
