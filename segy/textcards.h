#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Textual header blocks as text. Either encoding ends the text at the first
// zero byte.

// The whole block read as ASCII (UTF-8) or EBCDIC.
QString textHeaderText(const QByteArray& block, bool ascii);

// The 40 card images of 80 columns of a block; the cards after a zero byte
// are empty.
QStringList textHeaderCards(const QByteArray& block, bool ascii);

// Extended blocks carry no encoding mark of their own (a stanza begins with
// "((" in either code), so the blank that pads them decides: ASCII 0x20
// against EBCDIC 0x40.
bool extendedTextHeaderIsAscii(const QByteArray& block);
