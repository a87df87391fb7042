#pragma once

#include <QItemDelegate>
#include <QStringList>

// Edits the targeted cells with a combo box of fixed texts. Row and column -1
// together target every cell, a row with column -1 that whole row, row -1
// with a column that whole column, a row and a column one cell. The combo box
// opens on the cell's edit-role text when it is one of the items, and writes
// the chosen text back as soon as one is picked.
class ComboBoxItemDelegate : public QItemDelegate
{
    Q_OBJECT

public:
    explicit ComboBoxItemDelegate(QObject* parent = nullptr);

    void setItems(const QStringList& items) { m_items = items; }
    QStringList items() const { return m_items; }
    void setRow(int row) { m_row = row; }
    void setColumn(int column) { m_column = column; }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

private slots:
    void commitAndCloseEditor();

private:
    bool targets(const QModelIndex& index) const;

    QStringList m_items;
    int m_row = -1;
    int m_column = -1;
};
