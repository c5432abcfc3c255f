#include "app/form1.h"

#include "app/runtime_error.h"
#include "app/settings.h"
#include "app/skin.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>

namespace amb {

const std::vector<ControlGeometry>& formDesign() {
    // left, top, width, height in twips; Text1, PushButton7, PushButton8 and Command1's
    // siblings inside Frame1 are relative to the frame.
    static const std::vector<ControlGeometry> design = {
        {"Frame1", 120, 90, 7800, 1335, 12},         {"Text1", 240, 300, 7330, 345, 13},
        {"PushButton7", 240, 750, 6615, 405, 14},    {"PushButton8", 6960, 750, 600, 405, 15},
        {"ListView1", 120, 1530, 7800, 1335, 0},     {"PushButton6", 120, 2955, 7800, 405, 2},
        {"ListView3", 120, 3480, 7800, 1815, 9},     {"PushButton1", 120, 5380, 3840, 405, 10},
        {"PushButton3", 4080, 5380, 3840, 405, 11},  {"PushButton17", 120, 5890, 7800, 405, 3},
        {"ListView2", 8040, 120, 7800, 4665, 1},     {"PushButton4", 8040, 4870, 3840, 405, 4},
        {"PushButton13", 12000, 4870, 3840, 405, 5}, {"PushButton5", 8040, 5380, 3840, 405, 8},
        {"PushButton2", 12000, 5380, 3840, 405, 6},  {"ProgressBar1", 8040, 5890, 7800, 405, 7},
        {"Command1", 120, 6510, 7695, 360, 16},
    };
    return design;
}

namespace {
const QString kListTooltip = QStringLiteral(
    "Double-click item to remove it. Move | line to right and out of window to reveal full names.");

QFont arialBold(double points) {
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(true);
    return font;
}
} // namespace

Form1::Form1(Platform& platform, QWidget* parent) : QWidget(parent), platform_(platform) {
    setObjectName(QStringLiteral("Form1"));
    createControls();
    connectHandlers();
}

Form1::~Form1() = default;

void Form1::setBackgroundColor(QWidget* widget, const QColor& color) {
    QPalette pal = widget->palette();
    pal.setColor(QPalette::Window, color);
    widget->setPalette(pal);
    widget->setAutoFillBackground(true);
}

void Form1::createControls() {
    const double dpi = logicalDpiX() > 0 ? logicalDpiX() : 96.0;
    const auto px = [dpi](int twips) { return twipsToPixels(twips, dpi); };

    setFont(arialBold(9));
    setFixedSize(px(kClientWidthTwips), px(kClientHeightTwips));
    setBackgroundColor(this, Qt::white);
    setMouseTracking(true);

    Frame1 = new QGroupBox(QStringLiteral("Search For City"), this);
    setBackgroundColor(Frame1, Qt::white);
    Text1 = new QLineEdit(Frame1);

    const auto button = [this](QWidget* parent, const char* caption) {
        auto* b = new QPushButton(QString::fromUtf8(caption), parent);
        b->setFont(arialBold(11.25));
        b->setMouseTracking(true);
        b->setAutoDefault(false);
        return b;
    };
    const auto list = [this]() {
        auto* l = new ListView(this);
        l->setFont(arialBold(9));
        l->setToolTip(kListTooltip);
        return l;
    };

    PushButton7 = button(Frame1, "1. Search");
    PushButton8 = button(Frame1, "?");
    ListView1 = list();
    PushButton6 = button(this, "2. Add City To List Below");
    ListView3 = list();
    PushButton1 = button(this, "Clear List");
    PushButton3 = button(this, "Delete Selected");
    PushButton17 = button(this, "3. Start Finding Distance");
    ListView2 = list();
    ListView2->setCheckBoxes(true); // unticked lines stay out of the exports
    // A sentence longer than the column loses its middle, not its end: the start and
    // the distance both stay in sight at the designed width.
    ListView2->setTextElideMode(Qt::ElideMiddle);
    PushButton4 = button(this, "Save Results As Text File");
    PushButton13 = button(this, "Save Results As Excel File");
    PushButton5 = button(this, "Copy Results To Clipboard");
    PushButton2 = button(this, "Clear Results");
    ProgressBar1 = new ProgressBar(this);
    ProgressBar1->setText(QStringLiteral("Progress Bar"));
    Command1 = new QPushButton(QStringLiteral("Command1"), this);
    SkinFramework1 = std::make_unique<SkinFramework>();

    QWidget* const byName[] = {Frame1,       Text1,       PushButton7,  PushButton8, ListView1,
                               PushButton6,  ListView3,   PushButton1,  PushButton3, PushButton17,
                               ListView2,    PushButton4, PushButton13, PushButton5, PushButton2,
                               ProgressBar1, Command1};
    std::vector<std::pair<int, QWidget*>> tabOrder; // (tab index, control)
    for (size_t i = 0; i < formDesign().size(); ++i) {
        const ControlGeometry& g = formDesign()[i];
        QWidget* w = byName[i];
        w->setObjectName(QString::fromLatin1(g.name));
        w->setGeometry(px(g.left), px(g.top), px(g.width), px(g.height));
        tabOrder.emplace_back(g.tabIndex, w);
    }
    std::sort(tabOrder.begin(), tabOrder.end());
    QWidget* previous = nullptr;
    for (const auto& [tabIndex, w] : tabOrder) {
        if (w->focusPolicy() == Qt::NoFocus)
            continue;
        if (previous)
            QWidget::setTabOrder(previous, w);
        previous = w;
    }

    Frame1->installEventFilter(this);
    Frame1->setMouseTracking(true);
}

QList<QPushButton*> Form1::pushButtons() const {
    return {PushButton7,  PushButton8, PushButton6,  PushButton1, PushButton3,
            PushButton17, PushButton4, PushButton13, PushButton5, PushButton2};
}

void Form1::connectHandlers() {
    const auto click = [this](QPushButton* b, void (Form1::*handler)()) {
        connect(b, &QPushButton::clicked, this, [this, handler] { run(handler); });
    };
    click(PushButton7, &Form1::PushButton7_Click);
    click(PushButton8, &Form1::PushButton8_Click);
    click(PushButton6, &Form1::PushButton6_Click);
    click(PushButton1, &Form1::PushButton1_Click);
    click(PushButton3, &Form1::PushButton3_Click);
    click(PushButton17, &Form1::PushButton17_Click);
    click(PushButton4, &Form1::PushButton4_Click);
    click(PushButton13, &Form1::PushButton13_Click);
    click(PushButton5, &Form1::PushButton5_Click);
    click(PushButton2, &Form1::PushButton2_Click);
    click(Command1, &Form1::Command1_Click);

    connect(ListView1, &ListView::dblClick, this, [this] { run(&Form1::ListView1_DblClick); });
    connect(ListView2, &ListView::dblClick, this, [this] { run(&Form1::ListView2_DblClick); });
    connect(ListView1, &ListView::mouseMove, this, [this] { ListView1_MouseMove(); });
    connect(ListView2, &ListView::mouseMove, this, [this] { ListView2_MouseMove(); });
    connect(ListView3, &ListView::mouseMove, this, [this] { ListView3_MouseMove(); });
    for (QPushButton* b : pushButtons())
        b->installEventFilter(this);
    connectContextMenus();
    connectTripUndo();
}

void Form1::run(void (Form1::*handler)()) {
    // Run from a signal: the sender is the control or menu entry.
    runCommand(sender(), [this, handler] { (this->*handler)(); });
}

void Form1::runCommand(QObject* source, const std::function<void()>& command) {
    tripCommandStarting(source);
    struct Ended {
        Form1& form;
        ~Ended() { form.tripCommandEnded(); }
    } ended{*this};
    try {
        command();
    } catch (const ProgramEnding&) {
        // The window closed during the command and the trip list is saved: the
        // command stops here, and the event loop ends the program.
    }
}

namespace {
bool isPlainEnter(const QKeyEvent* key) {
    return (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
           (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}
} // namespace

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        // A push button with the focus takes Enter for itself, as it takes Space; only
        // the controls that are not push buttons leave Enter to the default button.
        auto* b = qobject_cast<QPushButton*>(watched);
        if (b && b != Command1 && isPlainEnter(static_cast<QKeyEvent*>(event))) {
            b->click();
            return true;
        }
    }
    if (event->type() == QEvent::MouseMove) {
        // A move that a child (the text box) left unhandled reaches the frame too;
        // only moves over the frame itself count.
        if (watched == Frame1) {
            if (!Frame1->childAt(static_cast<QMouseEvent*>(event)->position().toPoint()))
                Frame1_MouseMove();
        } else if (auto* b = qobject_cast<QPushButton*>(watched); b && b != Command1)
            PushButton_MouseMove();
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::mouseMoveEvent(QMouseEvent* event) {
    // Controls without a pointer handler (the progress bar) pass their moves up to
    // the window; only moves over the background itself count.
    if (!childAt(event->position().toPoint()))
        Form_MouseMove();
    QWidget::mouseMoveEvent(event);
}

void Form1::keyPressEvent(QKeyEvent* event) {
    // Command1 is the window's default button: Enter reaches the window from the
    // controls that do not use it themselves (the text box and the lists).
    if (isPlainEnter(event)) {
        Command1->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void Form1::closeEvent(QCloseEvent* event) {
    if (!closing_) {
        closing_ = true;
        if (MapWindow1)
            MapWindow1->close(); // keeps its place and size
        Form_QueryUnload();
        Form_Unload();
    }
    event->accept();
}

} // namespace amb
