#include "comboboxitemdelegate.h"

#include <QComboBox>

ComboBoxItemDelegate::ComboBoxItemDelegate(QObject* parent) : QItemDelegate(parent) {}

bool ComboBoxItemDelegate::targets(const QModelIndex& index) const
{
    return index.isValid() && (m_row < 0 || index.row() == m_row) && (m_column < 0 || index.column() == m_column);
}

QWidget* ComboBoxItemDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                            const QModelIndex& index) const
{
    if (!targets(index))
        return QItemDelegate::createEditor(parent, option, index);
    auto* box = new QComboBox(parent);
    box->addItems(m_items);
    // A pick is the whole edit: write it and close, so the cell shows the new
    // text at once instead of after the focus leaves.
    connect(box, QOverload<int>::of(&QComboBox::activated), this, &ComboBoxItemDelegate::commitAndCloseEditor);
    return box;
}

void ComboBoxItemDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    auto* box = qobject_cast<QComboBox*>(editor);
    if (!box || !targets(index)) {
        QItemDelegate::setEditorData(editor, index);
        return;
    }
    const int found = box->findText(index.data(Qt::EditRole).toString(), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (found >= 0)
        box->setCurrentIndex(found);
}

void ComboBoxItemDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    auto* box = qobject_cast<QComboBox*>(editor);
    if (!box || !targets(index)) {
        QItemDelegate::setModelData(editor, model, index);
        return;
    }
    model->setData(index, box->currentText(), Qt::EditRole);
}

void ComboBoxItemDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                                const QModelIndex& index) const
{
    if (index.isValid())
        editor->setGeometry(option.rect);
}

void ComboBoxItemDelegate::commitAndCloseEditor()
{
    if (auto* editor = qobject_cast<QWidget*>(sender())) {
        emit commitData(editor);
        emit closeEditor(editor);
    }
}
