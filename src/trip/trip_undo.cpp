#include "trip/trip_undo.h"

#include "app/form1.h"

#include <QAction>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <algorithm>

namespace amb {

namespace {

bool sameRows(const std::vector<ListModel::Row>& a, const std::vector<ListModel::Row>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const ListModel::Row& x, const ListModel::Row& y) {
                          return x.textLength == y.textLength && x.sub1Length == y.sub1Length &&
                                 x.cells == y.cells && x.more == y.more;
                      });
}

enum class KeyCommand { None, Undo, Redo };

KeyCommand keyCommand(const QKeyEvent& key) {
    const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
    if (key.key() == Qt::Key_Z && modifiers == Qt::ControlModifier)
        return KeyCommand::Undo;
    if (key.key() == Qt::Key_Z && modifiers == (Qt::ControlModifier | Qt::ShiftModifier))
        return KeyCommand::Redo;
#ifdef Q_OS_WIN
    if (key.key() == Qt::Key_Y && modifiers == Qt::ControlModifier)
        return KeyCommand::Redo;
#endif
    return KeyCommand::None;
}

QString plainCaption(QString text) {
    text.remove(QLatin1Char('&'));
    text.remove(QStringLiteral("…"));
    text.remove(QRegularExpression(QStringLiteral("^\\d+\\. "))); // "2. Add City ..."
    text = text.trimmed();
    // The add commands name what they do, not where the city goes.
    if (text == QLatin1String("Add City To List Below"))
        return QStringLiteral("Add City");
    return text;
}

} // namespace

QString commandName(const QObject* source) {
    if (const auto* action = qobject_cast<const QAction*>(source)) {
        // The entries of a submenu are one command in different ways ("Shortest Order").
        const auto* menu = qobject_cast<const QMenu*>(action->parent());
        if (menu && qobject_cast<const QMenu*>(menu->parent()))
            return plainCaption(menu->title());
        return plainCaption(action->text());
    }
    if (const auto* button = qobject_cast<const QPushButton*>(source))
        return plainCaption(button->text());
    if (source && source->objectName() == QLatin1String("ListView1"))
        return QStringLiteral("Add City"); // its double-click
    if (source && source->objectName() == QLatin1String("ListView3"))
        return QStringLiteral("Open Trip"); // a trip file dropped on it
    return QStringLiteral("Change");
}

TripUndo::TripUndo(ListView& trip) : trip_(trip), seen_(trip.model().rows) {
    trip.installEventFilter(this);
}

int TripUndo::selected() const {
    return trip_.hasSelection() ? trip_.selectedIndex() : 0;
}

void TripUndo::takeChange() {
    const std::vector<ListModel::Row>& now = trip_.model().rows;
    if (sameRows(now, seen_))
        return;
    if (!running_.empty()) {
        Running& command = running_.back();
        Step step{command.name, std::move(seen_), now, command.selected, selected()};
        command.selected = step.selectedAfter;
        undo_.push_back(std::move(step));
        if (undo_.size() > kMostSteps)
            undo_.erase(undo_.begin());
        redo_.clear();
    }
    seen_ = now;
}

void TripUndo::commandStarting(const QString& name) {
    takeChange(); // what an outer command changed before this one began is its own
    running_.push_back({name, selected()});
}

void TripUndo::commandEnded() {
    takeChange();
    if (!running_.empty())
        running_.pop_back();
}

QString TripUndo::undoName() const {
    return undo_.empty() ? QString() : undo_.back().name;
}

QString TripUndo::redoName() const {
    return redo_.empty() ? QString() : redo_.back().name;
}

void TripUndo::restore(const std::vector<ListModel::Row>& rows, int selectedItem) {
    trip_.clear();
    if (!rows.empty())
        trip_.addRows(std::vector<ListModel::Row>(rows));
    if (selectedItem > 0 && selectedItem <= trip_.count()) {
        trip_.select(selectedItem);
        trip_.ensureVisible(selectedItem);
    } else {
        trip_.clearSelection();
    }
    seen_ = rows;
}

void TripUndo::undo() {
    takeBack(undo_, redo_, true);
}

void TripUndo::redo() {
    takeBack(redo_, undo_, false);
}

// The last step of `from` put back (its list before it, or after it) and kept on `to`.
void TripUndo::takeBack(std::vector<Step>& from, std::vector<Step>& to, bool before) {
    takeChange(); // a change no command made is not undone, only passed over
    if (from.empty())
        return;
    Step step = std::move(from.back());
    from.pop_back();
    if (before)
        restore(step.before, step.selectedBefore);
    else
        restore(step.after, step.selectedAfter);
    to.push_back(std::move(step));
}

void TripUndo::addMenuEntries(QMenu& menu) {
    // At the end, after a line: the entries that were there keep their places, so a
    // user's keys in the menu still reach them.
    menu.addSeparator();
    const auto entry = [&](const char* name, const QString& description, QKeySequence keys,
                           void (TripUndo::*command)()) {
        auto* action = new QAction(&menu);
        action->setObjectName(QString::fromLatin1(name));
        action->setToolTip(description);
        action->setStatusTip(description);
        // Shown beside the entry; the keys themselves are the trip list's.
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WidgetShortcut);
        action->setShortcutVisibleInContextMenu(true);
        connect(action, &QAction::triggered, this, command);
        menu.addAction(action);
        return action;
    };
    undoEntry_ = entry("mnuUndoTrip", QStringLiteral("Takes back the last change of the trip list."),
                       QKeySequence(Qt::CTRL | Qt::Key_Z), &TripUndo::undo);
#ifdef Q_OS_WIN
    const QKeySequence redoKeys(Qt::CTRL | Qt::Key_Y);
#else
    const QKeySequence redoKeys(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
#endif
    redoEntry_ = entry("mnuRedoTrip", QStringLiteral("Makes the change taken back again."),
                       redoKeys, &TripUndo::redo);
    connect(&menu, &QMenu::aboutToShow, this, &TripUndo::updateEntries);
}

void TripUndo::updateEntries() {
    takeChange();
    if (undoEntry_) {
        undoEntry_->setText(canUndo() ? QStringLiteral("Undo ") + undoName()
                                      : QStringLiteral("Undo"));
        undoEntry_->setEnabled(canUndo());
    }
    if (redoEntry_) {
        redoEntry_->setText(canRedo() ? QStringLiteral("Redo ") + redoName()
                                      : QStringLiteral("Redo"));
        redoEntry_->setEnabled(canRedo());
    }
}

bool TripUndo::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) {
        const KeyCommand command = keyCommand(*static_cast<QKeyEvent*>(event));
        if (command != KeyCommand::None) {
            event->accept();
            if (event->type() == QEvent::KeyPress)
                command == KeyCommand::Undo ? undo() : redo();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void Form1::connectTripUndo() {
    TripUndo1 = std::make_unique<TripUndo>(*ListView3);
}

void Form1::tripCommandStarting(QObject* source) {
    if (TripUndo1)
        static_cast<TripUndo*>(TripUndo1.get())->commandStarting(commandName(source));
}

void Form1::tripCommandEnded() {
    if (TripUndo1)
        static_cast<TripUndo*>(TripUndo1.get())->commandEnded();
}

} // namespace amb
