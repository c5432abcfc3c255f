#pragma once

#include <QAbstractTableModel>
#include <QPersistentModelIndex>
#include <QStringList>
#include <QTreeView>
#include <vector>

namespace amb {

// The rows of a ListView. A small flat model: the view asks it only for the
// visible rows, so appending 100,000 rows costs milliseconds.
class ListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // A row keeps the item text and sub-items 1 and 2 (all the program's lists
    // use) in one text, so a long list costs one allocation per row.
    struct Row {
        QString cells;
        quint32 textLength = 0;
        quint32 sub1Length = 0;
        QStringList more; // sub-item k >= 3 at k - 3; missing ones read as empty
        bool checked = false;

        Row() = default;
        explicit Row(const QString& text) : cells(text), textLength(quint32(text.size())) {}
        // Takes over a text that holds the item text and sub-items 1 and 2 one after another.
        Row(QString&& packed, qsizetype textSize, qsizetype sub1Size)
            : cells(std::move(packed)), textLength(quint32(textSize)),
              sub1Length(quint32(sub1Size)) {}

        QStringView text() const { return QStringView(cells).first(textLength); }
        QStringView subItem(int k) const; // k >= 1
        void setSubItem(int k, const QString& value);
    };

    explicit ListModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    std::vector<Row> rows;
    QStringList headers;
    bool checkBoxes = false;

    void appendHeader(const QString& text);
    int appendRow(const QString& text);
    // Appends many rows at once: one reset of an empty list, or one insertion.
    void appendRows(std::vector<Row>&& more);
    void removeRowAt(int row);
    void removeAll();
    void rowChanged(int row);
    void setCheckBoxes(bool on);
};

// A report-style list with column headers whose operations count from 1: item 1 is
// the first row, column 1 the item text, column k (k >= 2) sub-item k - 1. Asking
// for an item that does not exist, or for the selected item when none is, throws
// RunTimeError.
class ListView : public QTreeView {
    Q_OBJECT
public:
    explicit ListView(QWidget* parent = nullptr);

    // Column headers.
    void addColumn(const QString& text);
    void setColumnWidthTwips(int column, int twips);
    int columnCount() const;
    QString columnText(int column) const;

    // Items.
    int count() const;
    int add(const QString& text);                     // returns the new item's position
    void addRows(std::vector<ListModel::Row>&& rows); // appended at once
    QString text(int item) const;
    QString subItem(int item, int k) const;
    void setSubItem(int item, int k, const QString& value);
    bool checked(int item) const;
    void setChecked(int item, bool checked);
    void remove(int item);
    void clear();
    void ensureVisible(int item);

    // The one selected item's position; throws when none is selected.
    int selectedIndex() const;
    bool hasSelection() const;
    void select(int item); // selects and makes current, as a click would

    // Shows check boxes on the items, so a user can untick them.
    void setCheckBoxes(bool on);

    ListModel& model() { return model_; }

Q_SIGNALS:
    void dblClick();
    void mouseMove();

protected:
    bool viewportEvent(QEvent* event) override;

private:
    void checkItem(int item) const;
    void checkSubItem(int k) const;
    ListModel model_;
    QPersistentModelIndex pendingScroll_;
    bool scrollScheduled_ = false;
};

int twipsToPixels(int twips, double dpi);

} // namespace amb
