#include "crscombobox.h"

#include <QComboBox>
#include <QCompleter>

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
