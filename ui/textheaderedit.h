#pragma once

#include <QByteArray>
#include <QPlainTextEdit>
#include <QStringList>

// The textual header as 40 card images of 80 columns, one per line. Typing
// overwrites: a card never grows past its 80 columns nor the header past its
// 40 cards. Enter moves to the start of the next card, Backspace and Delete
// put blanks in place of what they remove, and a paste overwrites card by
// card from the cursor, cut at the end of each card.
class TextHeaderEdit : public QPlainTextEdit
{
    Q_OBJECT

public:
    static constexpr int CardCount = 40;
    static constexpr int CardWidth = 80;

    explicit TextHeaderEdit(QWidget* parent = nullptr);

    // Shows the cards, one per line, control characters as blanks. Not an edit.
    void setCards(const QStringList& cards);
    // The 40 lines shown, none longer than a card.
    QStringList cards() const;
    // The 3200 bytes of cards in the encoding chosen: each card is encoded on
    // its own and then cut or completed with blanks to 80 bytes, so a card
    // never moves another.
    static QByteArray headerBytes(const QStringList& cards, bool ebcdic);

signals:
    // The user changed the text.
    void edited();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
    void dropEvent(QDropEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // Writes text over the cards from the cursor; wraps to the next card when
    // wrap is set, otherwise drops what passes the end of the card.
    void overwrite(QTextCursor& cursor, const QString& text, bool wrap);
    void typeText(const QString& text);
    void blankSelection();
    void cutToBlanks();
};
