#include "app/skin.h"

#include "app/form1.h"
#include "app/main_module.h"
#include "app/runtime_error.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QStyleFactory>

namespace amb {

QString skinFilePath() {
    return programFolder() + QStringLiteral("/x/o.cjs");
}

void SkinFramework::LoadSkin(const QString& path, const QString& /*iniFileName*/) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw RunTimeError(err::FileNotFound,
                           QStringLiteral("The skin file %1 cannot be read: %2. Remove it or "
                                          "replace it with a readable style sheet.")
                               .arg(QDir::toNativeSeparators(path), file.errorString()));
    LoadSkinBytes(file.readAll(), path);
}

void SkinFramework::LoadSkinBytes(const QByteArray& bytes, const QString& path) {
    const QString sheet = QString::fromUtf8(bytes).trimmed();
    if (sheet.isEmpty())
        throw RunTimeError(err::InvalidPropertyValue,
                           QStringLiteral("The skin file %1 is empty. Remove it or replace it "
                                          "with a style sheet.")
                               .arg(QDir::toNativeSeparators(path)));
    sheet_ = sheet;
}

void SkinFramework::ApplyWindow(QWidget* window) {
    if (!loaded())
        throw RunTimeError(err::ObjectNotSet, QStringLiteral("No skin has been loaded."));
    if (UseFusionStyle) {
        if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion")))
            QApplication::setStyle(fusion);
    }
    if ((Options & kSkinDialogs) != 0)
        qApp->setStyleSheet(sheet_);
    else if (ApplyWindowStyle)
        window->setStyleSheet(sheet_);
}

void ApplySkin(Form1& form) {
    const QString path = skinFilePath();
    if (!QFileInfo(path).isFile())
        return;
    const QColor buttonFace = QApplication::palette().color(QPalette::Button);
    form.setBackgroundColor(&form, buttonFace);
    for (QWidget* child : form.findChildren<QWidget*>()) {
        if (qobject_cast<QGroupBox*>(child) || qobject_cast<QRadioButton*>(child) ||
            qobject_cast<QCheckBox*>(child) || qobject_cast<QLabel*>(child))
            form.setBackgroundColor(child, buttonFace);
    }
    form.SkinFramework1->LoadSkin(skinFilePath(), QString());
    form.SkinFramework1->Options = form.SkinFramework1->Options | 1;
    form.SkinFramework1->ApplyWindowStyle = true;
    form.SkinFramework1->UseFusionStyle = true;
    form.SkinFramework1->ApplyWindow(&form);
}

} // namespace amb
