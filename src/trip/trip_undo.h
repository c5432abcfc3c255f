#pragma once

#include "app/list_view.h"

#include <QObject>
#include <QString>
#include <vector>

class QAction;
class QMenu;

namespace amb {

// Undo and redo for the trip list. It does not know the commands: it looks at the
// trip list when each command the user starts begins and ends, and a command that
// left it different becomes one step, named after the control or menu entry that
// started it ("Clear List", "Add City", "Reverse Trip"). A step keeps the whole list
// before and after (the rows share their texts, so a step costs a pointer per row),
// and undoing puts the list back through the list's own operations, so everything
// that follows the list (the map window, the saved trip) sees it change.
class TripUndo : public QObject {
    Q_OBJECT
public:
    explicit TripUndo(ListView& trip);

    // A command starts (`name` is its step's name) and ends; commands may nest, as
    // a click runs while a long command lets the window's events run.
    void commandStarting(const QString& name);
    void commandEnded();

    bool canUndo() const { return !undo_.empty(); }
    bool canRedo() const { return !redo_.empty(); }
    QString undoName() const; // "Clear List"; empty when there is nothing to undo
    QString redoName() const;
    void undo();
    void redo();

    // The entries "Undo …" and "Redo …" at the top of `menu`, named afresh each time
    // it opens.
    void addMenuEntries(QMenu& menu);

    // The most steps kept; the oldest go first.
    static constexpr size_t kMostSteps = 100;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Step {
        QString name;
        std::vector<ListModel::Row> before, after;
        int selectedBefore = 0, selectedAfter = 0; // 0: none
    };
    struct Running {
        QString name;
        int selected = 0;
    };

    // Takes the change since the list was last looked at as a step of the innermost
    // running command; a change outside any command is taken as it is.
    void takeChange();
    int selected() const;
    void restore(const std::vector<ListModel::Row>& rows, int selected);
    void takeBack(std::vector<Step>& from, std::vector<Step>& to, bool before);
    void updateEntries();

    ListView& trip_;
    std::vector<ListModel::Row> seen_; // the list as last looked at
    std::vector<Running> running_;
    std::vector<Step> undo_, redo_;
    QAction* undoEntry_ = nullptr;
    QAction* redoEntry_ = nullptr;
};

// The step's name for a command started by `source`: a push button's caption
// without its number, a menu entry's text (a submenu's title for its entries), "Add
// City" for the search list's double-click.
QString commandName(const QObject* source);

} // namespace amb
