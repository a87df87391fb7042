#include "headertablemodels.h"

#include <algorithm>

#include "headeredit.h"
#include "headerfields.h"
#include "headers.h"
#include "segy.h"
#include "tracesort.h"

#include <QColor>
#include <QHash>
#include <QHeaderView>
#include <QTableView>

namespace {

// Decoded text is blue when its decoder recognised the value, red when it did
// not, black for a field without a decoder.
QVariant decodedColour(const CHeader* header, int fieldIndex)
{
    bool hasDecoder = false;
    bool decodedOk = false;
    header->fieldText(fieldIndex, &hasDecoder, &decodedOk);
    if (!hasDecoder)
        return QColor(Qt::black);
    return QColor(decodedOk ? Qt::blue : Qt::red);
}

QVariant valueData(const CHeader* header, int fieldIndex, int role, bool raw)
{
    switch (role) {
    case Qt::DisplayRole:
        return raw ? QVariant(header->value(fieldIndex)) : QVariant(header->fieldText(fieldIndex));
    case Qt::ForegroundRole:
        return raw ? QVariant() : decodedColour(header, fieldIndex);
    case Qt::EditRole:
        // Editing in place starts from the stored number, as text.
        return QString::number(header->value(fieldIndex));
    default:
        return QVariant();
    }
}

const QVariant RightAligned(int(Qt::AlignRight | Qt::AlignVCenter));

// What the field list and tool tips say of a custom field.
QString customDescription(const FieldDescription& field)
{
    const QString bytes = QStringLiteral("%1, %2").arg(field.label(), valueTypeName(field.type));
    return field.description.isEmpty() ? bytes : QStringLiteral("%1 (%2)").arg(field.description, bytes);
}

// The file indexes of the traces at list positions first to last.
std::vector<int> fileIndexes(const TraceHeaderList& list, const SEGY& segy, int first, int last)
{
    // A row in file order is its own index; any other is looked up.
    const QList<SEGYTraceHeader*> headers = segy.traceHeaders();
    std::vector<int> traces(size_t(last - first + 1), -1);
    for (int row = first; row <= last; ++row) {
        const SEGYTraceHeader* header = list.at(row);
        traces[size_t(row - first)] = row < headers.size() && headers.at(row) == header ? row : segy.traceIndexOf(header);
    }
    return traces;
}

}  // namespace

// ---------------------------------------------------------------- binary header

SEGYBinaryHeaderTableModel::SEGYBinaryHeaderTableModel(SEGY* segy, QObject* parent)
    : HeaderValuesTableModel(parent), m_segy(segy)
{
}

int SEGYBinaryHeaderTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : BinaryHeaderFieldCount + (m_segy ? m_segy->extraFields(HeaderBlock::Binary).size() : 0);
}

int SEGYBinaryHeaderTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 2;
}

QVariant SEGYBinaryHeaderTableModel::data(const QModelIndex& index, int role) const
{
    const SEGYMainHeader* header = m_segy ? m_segy->mainHeader() : nullptr;
    if (!header || !index.isValid() || !checkIndex(index, CheckIndexOption::IndexIsValid))
        return QVariant();
    const int field = index.row();
    if (role == Qt::TextAlignmentRole)
        return index.column() == 0 ? RightAligned : QVariant(int(Qt::AlignLeft | Qt::AlignVCenter));
    if (customRow(field) >= 0) {
        const FieldDescription custom = m_segy->extraFields(HeaderBlock::Binary).value(customRow(field));
        if (index.column() == 1)
            return role == Qt::DisplayRole ? QVariant(customDescription(custom)) : QVariant();
        return role == Qt::DisplayRole || role == Qt::EditRole ? QVariant(m_segy->fieldValue(nullptr, custom).text())
                                                               : QVariant();
    }
    if (index.column() == 1)
        return role == Qt::DisplayRole ? QVariant(binaryHeaderDescriptions().at(field)) : QVariant();
    return valueData(header, field, role, m_rawDisplay);
}

QVariant SEGYBinaryHeaderTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Horizontal) {
        if (section == 0)
            return tr("Value");
        if (section == 1)
            return tr("Description");
        return QVariant();
    }
    if (m_segy && customRow(section) >= 0)
        return m_segy->extraFields(HeaderBlock::Binary).value(customRow(section)).name;
    return binaryHeaderLabels().value(section);
}

Qt::ItemFlags SEGYBinaryHeaderTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    if (index.column() == 0)
        return Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsEnabled;
    return Qt::ItemIsEnabled;
}

bool SEGYBinaryHeaderTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !m_segy || !index.isValid() || !checkIndex(index, CheckIndexOption::IndexIsValid))
        return false;
    bool stored;
    if (customRow(index.row()) >= 0) {
        // A custom field's bytes go through the standard fields holding them.
        const FieldDescription custom = m_segy->extraFields(HeaderBlock::Binary).value(customRow(index.row()));
        FieldValue parsed;
        HeaderChanges changes;
        QString error;
        stored = parseFieldValue(value.toString(), custom.type, &parsed)
                 && m_segy->addFieldChange(&changes, -1, custom, parsed, &error) && m_segy->apply(changes).ok;
    } else {
        stored = m_segy->setMainHeaderValue(index.row(), value);
    }
    // Signalled also when refused, so the view repaints the kept value.
    emit dataChanged(index, index);
    return stored;
}

// ---------------------------------------------------------------- trace headers

SEGYTraceHeadersTableModel::SEGYTraceHeadersTableModel(TraceHeaderList* list, int mode, QObject* parent)
    : HeaderValuesTableModel(parent), m_list(list), m_mode(mode)
{
}

int SEGYTraceHeadersTableModel::traceCount() const
{
    return m_list ? m_list->count() : 0;
}

int SEGYTraceHeadersTableModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return m_mode == 0 ? traceCount() : m_mode == 1 ? fieldCount() : 0;
}

int SEGYTraceHeadersTableModel::columnCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return m_mode == 0 ? fieldCount() : m_mode == 1 ? traceCount() : 0;
}

int SEGYTraceHeadersTableModel::fieldOf(const QModelIndex& index) const
{
    return m_mode == 1 ? index.row() : index.column();
}

int SEGYTraceHeadersTableModel::positionOf(const QModelIndex& index) const
{
    return m_mode == 1 ? index.column() : index.row();
}

QModelIndex SEGYTraceHeadersTableModel::cellIndex(int position, int fieldIndex) const
{
    return m_mode == 1 ? index(fieldIndex, position) : index(position, fieldIndex);
}

QVariant SEGYTraceHeadersTableModel::data(const QModelIndex& index, int role) const
{
    if (!m_list || (m_mode != 0 && m_mode != 1) || !index.isValid())
        return QVariant();
    const SEGYTraceHeader* header = m_list->at(positionOf(index));
    const int field = fieldOf(index);
    if (!header || field < 0 || field >= fieldCount())
        return QVariant();
    if (field >= TraceHeaderFieldCount) {
        const FieldDescription& custom = m_custom.at(field - TraceHeaderFieldCount);
        const SEGY* segy = m_list->source();
        switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole: return segy ? segy->fieldValue(header, custom).text() : QString();
        case RawValueRole: return segy ? segy->fieldValue(header, custom).toDouble() : 0.0;
        case Qt::ToolTipRole: return customDescription(custom);
        default: return QVariant();
        }
    }
    switch (role) {
    case RawValueRole:
        return header->value(field);
    case Qt::ToolTipRole:
        return traceHeaderDescriptions().at(field);
    default:
        return valueData(header, field, role, m_rawDisplay);
    }
}

QVariant SEGYTraceHeadersTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (m_mode != 0 && m_mode != 1)
        return QVariant();
    const bool fieldSide = (orientation == Qt::Horizontal) == (m_mode == 0);
    if (fieldSide) {
        if (section < 0 || section >= fieldCount())
            return QVariant();
        if (section >= TraceHeaderFieldCount) {
            const FieldDescription& custom = m_custom.at(section - TraceHeaderFieldCount);
            return role == Qt::DisplayRole ? QVariant(custom.name)
                   : role == Qt::ToolTipRole ? QVariant(customDescription(custom))
                   : role == Qt::TextAlignmentRole && orientation == Qt::Vertical ? RightAligned
                                                                                   : QVariant();
        }
        if (role == Qt::DisplayRole)
            return traceHeaderLabels().at(section);
        if (role == Qt::ToolTipRole)
            return traceHeaderDescriptions().at(section);
        if (role == Qt::TextAlignmentRole && orientation == Qt::Vertical)
            return RightAligned;
        return QVariant();
    }
    if (role == Qt::DisplayRole)
        return section + 1;
    if (role == Qt::TextAlignmentRole && orientation == Qt::Vertical)
        return RightAligned;
    return QVariant();
}

Qt::ItemFlags SEGYTraceHeadersTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsEnabled;
}

bool SEGYTraceHeadersTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !m_list || !index.isValid() || !checkIndex(index, CheckIndexOption::IndexIsValid))
        return false;
    SEGYTraceHeader* header = m_list->at(positionOf(index));
    if (!header)
        return false;
    // Listed headers belong to the list's file object, whose rules apply.
    if (fieldOf(index) >= TraceHeaderFieldCount) {
        const bool stored = fieldOf(index) < fieldCount()
                            && setCustomValue(header, m_custom.at(fieldOf(index) - TraceHeaderFieldCount), value);
        emit dataChanged(index, index);
        return stored;
    }
    const SEGY* segy = m_list->source();
    qint32 checked = 0;
    const bool stored = segy && segy->checkedTraceHeaderValue(header, fieldOf(index), value, &checked);
    if (stored) {
        const qint32 old = header->value(fieldOf(index));
        header->storeValue(fieldOf(index), checked);
        segy->noteTraceValueStored(header, fieldOf(index), old);
    }
    emit dataChanged(index, index);
    return stored;
}

bool SEGYTraceHeadersTableModel::setCustomValue(SEGYTraceHeader* header, const FieldDescription& field,
                                                const QVariant& value)
{
    // Validated by the field's type; its bytes are stored through the
    // standard fields that hold them, each by the rules of the file object.
    const SEGY* segy = m_list->source();
    FieldValue parsed;
    HeaderChanges changes;
    QString error;
    const int trace = segy ? segy->traceIndexOf(header) : -1;
    if (trace < 0 || !parseFieldValue(value.toString(), field.type, &parsed)
        || !segy->addFieldChange(&changes, trace, field, parsed, &error))
        return false;
    for (const HeaderChanges::TraceValue& change : changes.traceValues())
        if (segy->traceHeaderEditChangesLayout(header, change.field, change.value))
            return false;
    for (const HeaderChanges::TraceValue& change : changes.traceValues()) {
        const qint32 old = header->value(change.field);
        header->storeValue(change.field, change.value);
        segy->noteTraceValueStored(header, change.field, old);
    }
    return true;
}

int SEGYTraceHeadersTableModel::setRangeValue(SEGY& segy, int fieldIndex, int first, int last,
                                              const QVariant& value)
{
    if (!m_list || (m_mode != 0 && m_mode != 1) || fieldIndex < 0 || fieldIndex >= fieldCount())
        return 0;
    first = qMax(first, 0);
    last = qMin(last, m_list->count() - 1);
    if (first > last)
        return 0;
    HeaderEdit edit;
    const bool stored = (fieldIndex >= TraceHeaderFieldCount
                             ? edit.setFieldValue(m_custom.at(fieldIndex - TraceHeaderFieldCount), value.toString())
                             : edit.setTraceValue(fieldIndex, value))
                            .ok()
                        && edit.apply(segy, fileIndexes(*m_list, segy, first, last)).ok();
    emit dataChanged(cellIndex(first, fieldIndex), cellIndex(last, fieldIndex));
    return stored ? last - first + 1 : 0;
}

// ---------------------------------------------------------------- field list

TraceHeaderSelectionTableModel::TraceHeaderSelectionTableModel(QObject* parent)
    : QAbstractTableModel(parent), m_checked(TraceHeaderFieldCount, true)
{
}

void TraceHeaderSelectionTableModel::setCustomFields(const QList<FieldDescription>& fields)
{
    beginResetModel();
    m_custom = fields;
    m_checked.resize(TraceHeaderFieldCount + fields.size());
    for (int i = TraceHeaderFieldCount; i < m_checked.size(); ++i)
        m_checked[i] = true;
    endResetModel();
}

void TraceHeaderSelectionTableModel::setAllChecked(bool checked)
{
    m_checked.fill(checked);
}

int TraceHeaderSelectionTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : TraceHeaderFieldCount + m_custom.size();
}

int TraceHeaderSelectionTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 1;
}

QVariant TraceHeaderSelectionTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !checkIndex(index, CheckIndexOption::IndexIsValid))
        return QVariant();
    const int field = index.row();
    if (field >= TraceHeaderFieldCount) {
        const FieldDescription& custom = m_custom.at(field - TraceHeaderFieldCount);
        switch (role) {
        case Qt::DisplayRole: return QStringLiteral("[%1] - %2").arg(custom.name, customDescription(custom));
        case Qt::ToolTipRole: return customDescription(custom);
        case Qt::CheckStateRole:
            return m_checkable ? QVariant(m_checked.at(field) ? Qt::Checked : Qt::Unchecked) : QVariant();
        case Qt::UserRole: return custom.name;
        default: return QVariant();
        }
    }
    switch (role) {
    case Qt::DisplayRole:
        return QStringLiteral("[%1] - %2").arg(traceHeaderLabels().at(field), traceHeaderDescriptions().at(field));
    case Qt::ToolTipRole:
        return traceHeaderDescriptions().at(field);
    case Qt::CheckStateRole:
        return m_checkable ? QVariant(m_checked.at(field) ? Qt::Checked : Qt::Unchecked) : QVariant();
    case Qt::UserRole:
        return traceHeaderStartBytes().at(field);
    default:
        return QVariant();
    }
}

QVariant TraceHeaderSelectionTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && section == 0 && role == Qt::DisplayRole)
        return tr("Fields");
    return QVariant();
}

Qt::ItemFlags TraceHeaderSelectionTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return m_checkable ? Qt::ItemIsUserCheckable | Qt::ItemIsEnabled : Qt::ItemIsSelectable | Qt::ItemIsEnabled;
}

bool TraceHeaderSelectionTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!m_checkable || !index.isValid() || !checkIndex(index, CheckIndexOption::IndexIsValid))
        return false;
    if (role == Qt::CheckStateRole)
        m_checked[index.row()] = value.toInt() == Qt::Checked;
    emit dataChanged(index, index);
    return true;
}

// ---------------------------------------------------------------- search

TraceHeadersFilterModel::TraceHeadersFilterModel(QObject* parent) : QSortFilterProxyModel(parent)
{
    setFilterCaseSensitivity(Qt::CaseInsensitive);
}

bool TraceHeadersFilterModel::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const
{
    const QAbstractItemModel* source = sourceModel();
    if (!source)
        return false;
    const QString text = filterRegExp().pattern();
    if (text.isEmpty())
        return true;
    return source->index(sourceRow, 0, sourceParent).data(Qt::DisplayRole).toString().contains(text,
                                                                                                Qt::CaseInsensitive);
}

// ---------------------------------------------------------------- column sizing

namespace {

// Up to count indexes spread evenly from 0 to size - 1, both ends included.
QVector<int> spread(int size, int count)
{
    QVector<int> picked;
    const int n = qMin(size, count);
    for (int i = 0; i < n; ++i) {
        const int at = n == 1 ? 0 : int(qint64(size - 1) * i / (n - 1));
        if (picked.isEmpty() || picked.last() != at)
            picked.append(at);
    }
    return picked;
}

}  // namespace

void fitHeaderColumns(QTableView* view, int maximumWidth)
{
    const QAbstractItemModel* model = view ? view->model() : nullptr;
    if (!model)
        return;
    constexpr int SampledLines = 48;
    QHeaderView* header = view->horizontalHeader();
    const QVector<int> rows = spread(model->rowCount(), SampledLines);
    auto widthOf = [&](int column) {
        int width = header->sectionSizeHint(column);
        for (int row : rows)
            width = qMax(width, view->sizeHintForIndex(model->index(row, column)).width());
        return qMin(width + 2, maximumWidth);
    };
    const int columns = model->columnCount();
    const auto* traceModel = qobject_cast<const SEGYTraceHeadersTableModel*>(model);
    if (traceModel ? traceModel->mode() == 0 : columns <= TraceHeaderFieldCount) {
        for (int column = 0; column < columns; ++column)
            header->resizeSection(column, widthOf(column));
        return;
    }
    int width = header->minimumSectionSize();
    for (int column : spread(columns, SampledLines))
        width = qMax(width, widthOf(column));
    if (width != header->defaultSectionSize())
        header->setDefaultSectionSize(width);
}
