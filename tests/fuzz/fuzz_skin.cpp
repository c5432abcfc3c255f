// The skin file x/o.cjs: a style sheet read from bytes, put on the whole
// application or on the window, and the window drawn with it. A sheet that says
// nothing is refused with a message; any other dresses the window without a fault.
// (Drawn for one input in 16, polished for the others.)
#include "fuzz_support.h"

#include "app/runtime_error.h"
#include "app/skin.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleFactory>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// The kinds of control the main window has, in a small window made once.
QWidget& window() {
    static QWidget* const made = [] {
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        auto* w = new QWidget;
        auto* layout = new QVBoxLayout(w);
        auto* group = new QGroupBox(QStringLiteral("Search"));
        auto* inGroup = new QVBoxLayout(group);
        inGroup->addWidget(new QRadioButton(QStringLiteral("Miles")));
        inGroup->addWidget(new QCheckBox(QStringLiteral("Total")));
        layout->addWidget(group);
        layout->addWidget(new QLabel(QStringLiteral("City")));
        layout->addWidget(new QLineEdit(QStringLiteral("fiore")));
        auto* list = new QTreeWidget;
        list->setHeaderLabels({QStringLiteral("City"), QStringLiteral("Latitude")});
        new QTreeWidgetItem(list, {QStringLiteral("Florence - Tuscany"), QStringLiteral("43.77")});
        layout->addWidget(list);
        auto* progress = new QProgressBar;
        progress->setValue(40);
        layout->addWidget(progress);
        layout->addWidget(new QPushButton(QStringLiteral("Add")));
        w->resize(160, 200);
        return w;
    }();
    return *made;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::startWidgets();
    QWidget& w = window();
    fuzz::Input input(data, size);
    amb::SkinFramework skin;
    // The window's own skin puts the sheet on the whole application; the other way
    // dresses the one window.
    skin.Options = input.byte() & amb::SkinFramework::kSkinDialogs;
    skin.ApplyWindowStyle = true;
    try {
        skin.LoadSkinBytes(input.restBytes(), QStringLiteral("x/o.cjs"));
    } catch (const amb::RunTimeError&) {
        return 0;
    }
    skin.ApplyWindow(&w);
    // Drawing costs ten times the rest: one input in 16 is drawn.
    if ((size & 15) == 0) {
        static QImage picture(160, 200, QImage::Format_ARGB32_Premultiplied);
        w.render(&picture);
    } else {
        for (QWidget* child : w.findChildren<QWidget*>())
            child->ensurePolished();
    }
    qApp->setStyleSheet(QString());
    w.setStyleSheet(QString());
    return 0;
}
