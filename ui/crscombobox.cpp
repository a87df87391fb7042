#include "crscombobox.h"

#include <QComboBox>
#include <QCompleter>
#include <QLineEdit>

void populateCrsComboBox(QComboBox* box, const QList<CrsDefinition>& definitions)
{
    if (!box)
        return;
    for (const CrsDefinition& definition : definitions) {
        box->addItem(definition.name() + QStringLiteral(" (") + QString::number(definition.id) + QStringLiteral(")"),
                     QVariant(definition.id));
        box->setItemData(box->count() - 1,
                         QStringLiteral("EPSG: ") + QString::number(definition.id) + QStringLiteral("\n")
                             + definition.proj(),
                         Qt::ToolTipRole);
    }
    if (QCompleter* completer = box->completer()) {
        completer->setCompletionMode(QCompleter::PopupCompletion);
        completer->setFilterMode(Qt::MatchContains);
    }
}

void populateCrsComboBoxFromCatalogue(QComboBox* box, const CrsLookup& lookup)
{
    populateCrsComboBox(box, lookup.definitions);
    if (!box || lookup.error.isEmpty())
        return;
    box->setToolTip(lookup.error);
    if (QLineEdit* edit = box->lineEdit())
        edit->setPlaceholderText(lookup.error);
}

int shownCrsCode(const QComboBox* box)
{
    int index = box->currentIndex();
    if (box->itemText(index) != box->currentText())
        index = box->findText(box->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
    const QVariant data = box->itemData(index, Qt::UserRole);
    return data.type() == QVariant::Int ? data.toInt() : 0;
}
