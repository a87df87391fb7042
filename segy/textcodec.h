#pragma once

#include <QByteArray>
#include <QString>

// Textual header codec: byte-for-byte translation between ASCII and EBCDIC.
QByteArray toEbcdic(const QByteArray& ascii);
QString fromEbcdic(const QByteArray& ebcdic);

// Whether an extended textual header block carries the end stanza
// "((SEG: EndText))", in EBCDIC or ASCII, in any letter case and with any
// blanks inside the double parentheses.
bool isEndTextBlock(const QByteArray& block);

// A textual header whose first byte is an ASCII "C" is ASCII, any other is EBCDIC.
bool isAsciiTextHeader(const QByteArray& textHeader);

// The header as text: ASCII read as UTF-8, EBCDIC through fromEbcdic; both end
// at the first zero byte.
QString textHeaderToString(const QByteArray& textHeader);

// Edited text to stored bytes: local 8-bit bytes, through toEbcdic when EBCDIC.
QByteArray textHeaderFromString(const QString& text, bool ebcdic);

// Exactly 3200 bytes for writing: longer text is cut, shorter text is
// completed with blanks in the header's own encoding.
QByteArray paddedTextHeader(const QByteArray& textHeader);
