#include "textheaderedit.h"

#include "textcodec.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QTextBlock>

namespace {

QString printable(QString text)
{
    for (QChar& c : text)
        if (!c.isPrint())
            c = QLatin1Char(' ');
    return text;
}

}  // namespace

TextHeaderEdit::TextHeaderEdit(QWidget* parent) : QPlainTextEdit(parent)
{
    setOverwriteMode(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setUndoRedoEnabled(false);
    // A tab would be one more character in a card: it moves the focus.
    setTabChangesFocus(true);
}

void TextHeaderEdit::setCards(const QStringList& cards)
{
    QStringList lines;
    for (int i = 0; i < CardCount; ++i)
        lines.append(printable(cards.value(i)).left(CardWidth));
    setPlainText(lines.join(QLatin1Char('\n')));
}

QStringList TextHeaderEdit::cards() const
{
    QStringList lines;
    for (QTextBlock block = document()->firstBlock(); block.isValid() && lines.size() < CardCount;
         block = block.next())
        lines.append(block.text().left(CardWidth));
    while (lines.size() < CardCount)
        lines.append(QString());
    return lines;
}

QByteArray TextHeaderEdit::headerBytes(const QStringList& cards, bool ebcdic)
{
    QByteArray bytes;
    bytes.reserve(CardCount * CardWidth);
    for (int i = 0; i < CardCount; ++i) {
        const QString card = cards.value(i);
        QByteArray encoded = (ebcdic ? card.toLatin1() : card.toUtf8()).left(CardWidth);
        encoded.append(QByteArray(CardWidth - encoded.size(), ' '));
        bytes.append(ebcdic ? toEbcdic(encoded) : encoded);
    }
    return bytes;
}

void TextHeaderEdit::overwrite(QTextCursor& cursor, const QString& text, bool wrap)
{
    for (const QChar c : text) {
        if (cursor.positionInBlock() >= CardWidth) {
            if (!wrap || cursor.blockNumber() + 1 >= CardCount || !cursor.block().next().isValid())
                return;
            cursor.movePosition(QTextCursor::NextBlock);
        }
        if (cursor.positionInBlock() < cursor.block().length() - 1)
            cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
        cursor.insertText(QString(c.isPrint() ? c : QLatin1Char(' ')));
    }
}

void TextHeaderEdit::typeText(const QString& text)
{
    QTextCursor cursor = textCursor();
    if (cursor.hasSelection())
        cursor.setPosition(cursor.selectionStart());
    cursor.beginEditBlock();
    overwrite(cursor, text, true);
    cursor.endEditBlock();
    setTextCursor(cursor);
    emit edited();
}

void TextHeaderEdit::blankSelection()
{
    QTextCursor cursor = textCursor();
    if (!cursor.hasSelection())
        return;
    const int start = cursor.selectionStart();
    const int end = cursor.selectionEnd();
    cursor.beginEditBlock();
    for (QTextBlock block = document()->findBlock(start); block.isValid() && block.position() < end;
         block = block.next()) {
        const int from = qMax(start, block.position());
        const int to = qMin(end, block.position() + block.length() - 1);
        if (to <= from)
            continue;
        cursor.setPosition(from);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        cursor.insertText(QString(to - from, QLatin1Char(' ')));
    }
    cursor.setPosition(start);
    cursor.endEditBlock();
    setTextCursor(cursor);
    emit edited();
}

void TextHeaderEdit::cutToBlanks()
{
    if (!textCursor().hasSelection())
        return;
    copy();
    blankSelection();
}

void TextHeaderEdit::keyPressEvent(QKeyEvent* event)
{
    if (isReadOnly()) {
        QPlainTextEdit::keyPressEvent(event);
        return;
    }
    QTextCursor cursor = textCursor();
    event->accept();
    if (event == QKeySequence::Cut) {
        cutToBlanks();
        return;
    }
    if (event == QKeySequence::DeleteEndOfWord || event == QKeySequence::DeleteStartOfWord
        || event == QKeySequence::DeleteEndOfLine || event == QKeySequence::DeleteCompleteLine
        || event->key() == Qt::Key_Insert)
        return;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // The start of the next card; the last card keeps the cursor.
        if (cursor.blockNumber() + 1 < CardCount && cursor.movePosition(QTextCursor::NextBlock))
            setTextCursor(cursor);
        return;
    case Qt::Key_Backspace:
    case Qt::Key_Delete: {
        // The character before (Backspace) or under (Delete) the cursor
        // becomes a blank; nothing moves.
        const bool back = event->key() == Qt::Key_Backspace;
        if (cursor.hasSelection()) {
            blankSelection();
        } else if (back ? cursor.positionInBlock() > 0 : cursor.positionInBlock() < cursor.block().length() - 1) {
            if (back)
                cursor.movePosition(QTextCursor::PreviousCharacter);
            cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
            cursor.insertText(QStringLiteral(" "));
            cursor.movePosition(QTextCursor::PreviousCharacter);
            setTextCursor(cursor);
            emit edited();
        }
        return;
    }
    default:
        break;
    }
    const QString text = event->text();
    if (!text.isEmpty() && text.at(0).isPrint() && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        typeText(text);
        return;
    }
    // Moves, selections, copy and paste; anything else that would change
    // the text is undone.
    const QString before = toPlainText();
    QPlainTextEdit::keyPressEvent(event);
    if (toPlainText() != before && !(event == QKeySequence::Paste)) {
        const int position = textCursor().position();
        setPlainText(before);
        QTextCursor back = textCursor();
        back.setPosition(qMin(position, before.size()));
        setTextCursor(back);
    }
}

void TextHeaderEdit::inputMethodEvent(QInputMethodEvent* event)
{
    if (isReadOnly() || event->commitString().isEmpty()) {
        event->accept();
        return;
    }
    typeText(event->commitString());
    event->accept();
}

void TextHeaderEdit::insertFromMimeData(const QMimeData* source)
{
    if (isReadOnly() || !source || !source->hasText())
        return;
    QString text = source->text();
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QStringList lines = text.split(QLatin1Char('\n'));
    QTextCursor cursor = textCursor();
    if (cursor.hasSelection())
        cursor.setPosition(cursor.selectionStart());
    cursor.beginEditBlock();
    // The first line from the cursor, each next one from the start of the
    // next card; each cut at the end of its card.
    for (int i = 0; i < lines.size(); ++i) {
        if (i > 0 && (cursor.blockNumber() + 1 >= CardCount || !cursor.movePosition(QTextCursor::NextBlock)))
            break;
        overwrite(cursor, lines.at(i), false);
    }
    cursor.endEditBlock();
    setTextCursor(cursor);
    emit edited();
}

void TextHeaderEdit::dropEvent(QDropEvent* event)
{
    if (isReadOnly()) {
        QPlainTextEdit::dropEvent(event);
        return;
    }
    // Always a copy: a move would take the dragged text out of its card.
    setTextCursor(cursorForPosition(event->pos()));
    insertFromMimeData(event->mimeData());
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void TextHeaderEdit::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = createStandardContextMenu(event->pos());
    for (QAction* action : menu->actions()) {
        const QString name = action->objectName();
        if (name == QLatin1String("edit-cut") || name == QLatin1String("edit-delete")) {
            disconnect(action, &QAction::triggered, nullptr, nullptr);
            if (name == QLatin1String("edit-cut"))
                connect(action, &QAction::triggered, this, &TextHeaderEdit::cutToBlanks);
            else
                connect(action, &QAction::triggered, this, &TextHeaderEdit::blankSelection);
        }
    }
    menu->exec(event->globalPos());
    delete menu;
}
