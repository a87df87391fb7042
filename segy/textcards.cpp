#include "textcards.h"

#include "textcodec.h"

namespace {

constexpr int CardsPerHeader = 40;
constexpr int CardWidth = 80;

QByteArray untilZero(QByteArray bytes)
{
    const int zero = bytes.indexOf('\0');
    if (zero >= 0)
        bytes.truncate(zero);
    return bytes;
}

}  // namespace

QString textHeaderText(const QByteArray& block, bool ascii)
{
    const QByteArray bytes = untilZero(block);
    return ascii ? QString::fromUtf8(bytes) : fromEbcdic(bytes);
}

QStringList textHeaderCards(const QByteArray& block, bool ascii)
{
    const QByteArray bytes = untilZero(block.left(CardsPerHeader * CardWidth));
    QStringList cards;
    for (int i = 0; i < CardsPerHeader; ++i) {
        const QByteArray card = bytes.mid(i * CardWidth, CardWidth);
        cards.append(ascii ? QString::fromUtf8(card) : fromEbcdic(card));
    }
    return cards;
}

bool extendedTextHeaderIsAscii(const QByteArray& block)
{
    return block.count(char(0x20)) > block.count(char(0x40));
}
