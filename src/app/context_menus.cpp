#include "app/form1.h"

#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QScrollBar>

namespace amb {

namespace {

// Opens a list's menu from the keyboard (the Menu key, Shift+F10) at its current
// row, and takes a trip file dropped on the trip list.
class ListMenuKeys : public QObject {
public:
    ListMenuKeys(Form1& form, ListView& list, void (Form1::*showMenu)(const QPoint&))
        : QObject(&list), form_(form), list_(list), showMenu_(showMenu) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const bool shiftF10 =
                key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier;
            if (key->key() == Qt::Key_Menu || shiftF10) {
                QRect row = list_.visualRect(list_.currentIndex());
                if (!row.isValid())
                    row = QRect(QPoint(0, 0), QSize(1, 1));
                (form_.*showMenu_)(list_.viewport()->mapToGlobal(row.bottomLeft()));
                return true;
            }
        }
        // The platform's own keyboard request comes as a context-menu event: already
        // answered above.
        if (event->type() == QEvent::ContextMenu &&
            static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard)
            return true;
        return QObject::eventFilter(watched, event);
    }

private:
    Form1& form_;
    ListView& list_;
    void (Form1::*showMenu_)(const QPoint&);
};

class TripFileDrop : public QObject {
public:
    TripFileDrop(Form1& form, QWidget* target) : QObject(target), form_(form) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
            auto* drag = static_cast<QDropEvent*>(event);
            if (droppedFile(drag->mimeData()).isEmpty())
                return QObject::eventFilter(watched, event);
            drag->acceptProposedAction();
            return true;
        }
        if (event->type() == QEvent::Drop) {
            auto* drop = static_cast<QDropEvent*>(event);
            const QString path = droppedFile(drop->mimeData());
            if (path.isEmpty())
                return QObject::eventFilter(watched, event);
            drop->acceptProposedAction();
            // Opened once the drop is over, so the program that dragged the file does
            // not wait for the question box.
            QMetaObject::invokeMethod(
                &form_,
                [form = &form_, path] {
                    // The window closing while the file is read ends the command there.
                    form->runCommand(form->ListView3, [form, path] { form->OpenTripFile(path); });
                },
                Qt::QueuedConnection);
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    static QString droppedFile(const QMimeData* data) {
        if (!data || !data->hasUrls() || data->urls().size() != 1 ||
            !data->urls().constFirst().isLocalFile())
            return {};
        return data->urls().constFirst().toLocalFile();
    }
    Form1& form_;
};

} // namespace

void Form1::connectContextMenus() {
    const auto menuOn = [this](ListView* list, void (Form1::*showMenu)(const QPoint&)) {
        list->setContextMenuPolicy(Qt::CustomContextMenu);
        // The position comes in the viewport's coordinates.
        connect(list, &QWidget::customContextMenuRequested, this,
                [this, list, showMenu](const QPoint& at) {
                    (this->*showMenu)(list->viewport()->mapToGlobal(at));
                });
        auto* keys = new ListMenuKeys(*this, *list, showMenu);
        list->installEventFilter(keys);
        list->viewport()->installEventFilter(keys);
    };
    menuOn(ListView1, &Form1::ListView1_ContextMenu);
    menuOn(ListView2, &Form1::ListView2_ContextMenu);
    menuOn(ListView3, &Form1::ListView3_ContextMenu);

    ListView3->setAcceptDrops(true);
    ListView3->viewport()->setAcceptDrops(true);
    ListView3->viewport()->installEventFilter(new TripFileDrop(*this, ListView3->viewport()));

    // Names for assistive technology; a description where the caption alone does not
    // say what the control does.
    const auto name = [](QWidget* w, const char* accessibleName, const char* description) {
        w->setAccessibleName(QString::fromUtf8(accessibleName));
        if (description)
            w->setAccessibleDescription(QString::fromUtf8(description));
    };
    name(Frame1, "Search For City", nullptr);
    name(Text1, "City name to search for",
         "Type the start of a city's name, then press Search or Enter.");
    name(PushButton7, "Search", "Lists the cities whose names start with the text typed.");
    name(PushButton8, "Search help", "Explains how to search for a city.");
    name(ListView1, "Cities found",
         "Double-click a city, or use its menu, to add it to the trip list.");
    name(PushButton6, "Add City To List Below", nullptr);
    name(ListView3, "Cities To Find Distance",
         "The trip, top to bottom. Its menu opens, saves, reorders and maps the trip.");
    name(PushButton1, "Clear List", "Empties the trip list.");
    name(PushButton3, "Delete Selected", "Removes the selected city from the trip list.");
    name(PushButton17, "Start Finding Distance",
         "Measures every leg of the trip into the results list.");
    name(ListView2, "Results",
         "One line per leg. Its menu chooses the unit, the earth model and the total line.");
    name(PushButton4, "Save Results As Text File", nullptr);
    name(PushButton13, "Save Results As Excel File", nullptr);
    name(PushButton5, "Copy Results To Clipboard", nullptr);
    name(PushButton2, "Clear Results", nullptr);
    name(ProgressBar1, "Progress", nullptr);
    name(Command1, "Search (default button)", "Runs the search when Enter is pressed.");
    for (ListView* list : {ListView1, ListView3, ListView2}) {
        const QString listName = list->accessibleName();
        list->verticalScrollBar()->setAccessibleName(listName + QStringLiteral(" up and down"));
        list->horizontalScrollBar()->setAccessibleName(listName + QStringLiteral(" sideways"));
        list->header()->setAccessibleName(listName + QStringLiteral(" columns"));
    }
}

} // namespace amb
