#include "app/list_view.h"

#include "app/runtime_error.h"

#include <QEvent>
#include <QHeaderView>
#include <QItemSelection>
#include <QMouseEvent>
#include <QTimer>
#include <cmath>

namespace amb {

int twipsToPixels(int twips, double dpi) {
    return static_cast<int>(std::lround(twips * dpi / 1440.0));
}

// ---- model ----

int ListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows.size());
}

int ListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(headers.size());
}

QVariant ListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(rows.size()))
        return {};
    const Row& row = rows[static_cast<size_t>(index.row())];
    if (role == Qt::DisplayRole)
        return index.column() == 0 ? row.text().toString() : row.subItem(index.column()).toString();
    if (role == Qt::CheckStateRole && checkBoxes && index.column() == 0)
        return row.checked ? Qt::Checked : Qt::Unchecked;
    return {};
}

bool ListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || !index.isValid() || index.column() != 0)
        return false;
    rows[static_cast<size_t>(index.row())].checked = value.toInt() == static_cast<int>(Qt::Checked);
    Q_EMIT dataChanged(index, index, {Qt::CheckStateRole});
    return true;
}

Qt::ItemFlags ListModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (checkBoxes && index.column() == 0)
        f |= Qt::ItemIsUserCheckable;
    return f;
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < headers.size())
        return headers.at(section);
    return {};
}

void ListModel::appendHeader(const QString& text) {
    const int column = static_cast<int>(headers.size());
    beginInsertColumns({}, column, column);
    headers.append(text);
    endInsertColumns();
}

QStringView ListModel::Row::subItem(int k) const {
    if (k == 1)
        return QStringView(cells).sliced(textLength, sub1Length);
    if (k == 2)
        return QStringView(cells).sliced(textLength + sub1Length);
    return k - 3 < more.size() ? QStringView(more.at(k - 3)) : QStringView();
}

void ListModel::Row::setSubItem(int k, const QString& value) {
    if (k > 2) {
        while (more.size() < k - 2)
            more.append(QString());
        more[k - 3] = value;
        return;
    }
    const QStringView sub1 = k == 1 ? QStringView(value) : subItem(1);
    const QStringView sub2 = k == 2 ? QStringView(value) : subItem(2);
    QString packed;
    packed.reserve(textLength + sub1.size() + sub2.size());
    packed.append(text()).append(sub1).append(sub2);
    sub1Length = quint32(sub1.size());
    cells = std::move(packed);
}

int ListModel::appendRow(const QString& text) {
    const int row = static_cast<int>(rows.size());
    beginInsertRows({}, row, row);
    rows.emplace_back(text);
    endInsertRows();
    return row;
}

void ListModel::appendRows(std::vector<Row>&& more) {
    if (more.empty())
        return;
    if (rows.empty()) {
        beginResetModel();
        rows = std::move(more);
        endResetModel();
        return;
    }
    const int first = static_cast<int>(rows.size());
    beginInsertRows({}, first, first + static_cast<int>(more.size()) - 1);
    rows.insert(rows.end(), std::make_move_iterator(more.begin()),
                std::make_move_iterator(more.end()));
    endInsertRows();
}

void ListModel::removeRowAt(int row) {
    beginRemoveRows({}, row, row);
    rows.erase(rows.begin() + row);
    endRemoveRows();
}

void ListModel::removeAll() {
    // A reset makes the view lay out and repaint its header: not for a list already empty.
    if (rows.empty())
        return;
    beginResetModel();
    rows.clear();
    rows.shrink_to_fit();
    endResetModel();
}

void ListModel::rowChanged(int row) {
    Q_EMIT dataChanged(index(row, 0), index(row, std::max(0, columnCount() - 1)));
}

// ---- view ----

ListView::ListView(QWidget* parent) : QTreeView(parent), model_(this) {
    setModel(&model_);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setItemsExpandable(false);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    header()->setMinimumSectionSize(1);
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
}

void ListView::addColumn(const QString& text) {
    model_.appendHeader(text);
}

static double viewDpi(const QWidget* w) {
    return w->logicalDpiX() > 0 ? w->logicalDpiX() : 96.0;
}

void ListView::setColumnWidthTwips(int column, int twips) {
    if (column < 1 || column > columnCount())
        throw RunTimeError(
            err::IndexOutOfBounds,
            QStringLiteral("Index out of bounds: the list has no column %1.").arg(column));
    setColumnWidth(column - 1, std::max(1, twipsToPixels(twips, viewDpi(this))));
}

int ListView::columnCount() const {
    return static_cast<int>(model_.headers.size());
}

QString ListView::columnText(int column) const {
    if (column < 1 || column > columnCount())
        throw RunTimeError(
            err::IndexOutOfBounds,
            QStringLiteral("Index out of bounds: the list has no column %1.").arg(column));
    return model_.headers.at(column - 1);
}

int ListView::count() const {
    return static_cast<int>(model_.rows.size());
}

namespace {
// A list filled from empty starts with its first row selected, as the platform's list
// does, so "2. Add City To List Below" right after a search takes the first city found.
void selectFirstOfNewRows(ListView& list) {
    if (list.selectionModel())
        list.select(1);
}
} // namespace

int ListView::add(const QString& text) {
    const int item = model_.appendRow(text) + 1;
    if (item == 1)
        selectFirstOfNewRows(*this);
    return item;
}

void ListView::addRows(std::vector<ListModel::Row>&& rows) {
    const bool wasEmpty = model_.rows.empty();
    model_.appendRows(std::move(rows));
    if (wasEmpty && !model_.rows.empty())
        selectFirstOfNewRows(*this);
}

void ListView::checkItem(int item) const {
    if (item < 1 || item > count())
        throw RunTimeError(
            err::IndexOutOfBounds,
            QStringLiteral("Index out of bounds: the list has no item %1 (it holds %2).")
                .arg(item)
                .arg(count()));
}

void ListView::checkSubItem(int k) const {
    if (k < 1)
        throw RunTimeError(
            err::InvalidPropertyValue,
            QStringLiteral("Invalid property value: there is no sub-item %1.").arg(k));
}

QString ListView::text(int item) const {
    checkItem(item);
    return model_.rows[static_cast<size_t>(item - 1)].text().toString();
}

QString ListView::subItem(int item, int k) const {
    checkItem(item);
    checkSubItem(k);
    return model_.rows[static_cast<size_t>(item - 1)].subItem(k).toString();
}

void ListView::setSubItem(int item, int k, const QString& value) {
    checkItem(item);
    checkSubItem(k);
    model_.rows[static_cast<size_t>(item - 1)].setSubItem(k, value);
    model_.rowChanged(item - 1);
}

bool ListView::checked(int item) const {
    checkItem(item);
    return model_.rows[static_cast<size_t>(item - 1)].checked;
}

void ListView::setChecked(int item, bool on) {
    checkItem(item);
    model_.rows[static_cast<size_t>(item - 1)].checked = on;
    if (model_.checkBoxes)
        model_.rowChanged(item - 1);
}

void ListView::remove(int item) {
    checkItem(item);
    // Removing the current row makes the view select its neighbour, and a second
    // "Delete Selected" would then remove a city the user never picked: the rows
    // selected before stay selected, and no other.
    QList<QPersistentModelIndex> kept;
    if (selectionModel())
        for (const QModelIndex& index : selectionModel()->selectedRows())
            if (index.row() != item - 1)
                kept << QPersistentModelIndex(index);
    model_.removeRowAt(item - 1);
    if (!selectionModel())
        return;
    QItemSelection selection;
    for (const QPersistentModelIndex& index : kept)
        if (index.isValid())
            selection.select(model_.index(index.row(), 0),
                             model_.index(index.row(), std::max(0, model_.columnCount() - 1)));
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void ListView::clear() {
    model_.removeAll();
}

void ListView::ensureVisible(int item) {
    checkItem(item);
    // Scrolling lays out the whole list again; a loop that appends and scrolls per
    // row would grow with the square of its length. Scroll once, when events run.
    pendingScroll_ = QPersistentModelIndex(model_.index(item - 1, 0));
    if (scrollScheduled_)
        return;
    scrollScheduled_ = true;
    QTimer::singleShot(0, this, [this] {
        scrollScheduled_ = false;
        if (pendingScroll_.isValid())
            scrollTo(pendingScroll_);
    });
}

bool ListView::hasSelection() const {
    return selectionModel() && !selectionModel()->selectedRows().isEmpty();
}

int ListView::selectedIndex() const {
    const QModelIndexList rows =
        selectionModel() ? selectionModel()->selectedRows() : QModelIndexList();
    if (rows.isEmpty())
        throw RunTimeError(err::ObjectNotSet, QStringLiteral("No item is selected in the list."));
    return rows.first().row() + 1;
}

void ListView::select(int item) {
    checkItem(item);
    const QModelIndex index = model_.index(item - 1, 0);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                 QItemSelectionModel::Rows);
}

void ListModel::setCheckBoxes(bool on) {
    beginResetModel();
    checkBoxes = on;
    endResetModel();
}

void ListView::setCheckBoxes(bool on) {
    model_.setCheckBoxes(on);
}

bool ListView::viewportEvent(QEvent* event) {
    // A double-click anywhere in the list, on an item or on empty space.
    if (event->type() == QEvent::MouseButtonDblClick) {
        const bool handled = QTreeView::viewportEvent(event);
        // Only the left button's double-click is a command.
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            Q_EMIT dblClick();
        return handled;
    }
    if (event->type() == QEvent::MouseMove)
        Q_EMIT mouseMove();
    return QTreeView::viewportEvent(event);
}

} // namespace amb
