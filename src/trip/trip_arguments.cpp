#include "trip/trip_arguments.h"

#include "app/form1.h"
#include "app/main_module.h"
#include "app/platform.h"

#include <QDir>

namespace amb {

void openTripArguments(Form1& form, const QStringList& files) {
    if (files.isEmpty())
        return;
    form.OpenTripFile(files.constFirst());
    if (files.size() == 1)
        return;
    QStringList others;
    for (qsizetype i = 1; i < files.size(); ++i)
        others.append(QDir::toNativeSeparators(files.at(i)));
    form.platform().messageBox(
        QStringLiteral("One trip file opens at a time, the first named. These files were not "
                       "opened:\n\n%1")
            .arg(others.join(QLatin1Char('\n'))),
        applicationTitle(), mb::OkOnly | mb::Exclamation);
}

} // namespace amb
