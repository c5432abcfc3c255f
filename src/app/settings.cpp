#include "app/settings.h"

#include "app/error_report.h"
#include "app/form1.h"
#include "app/locale_numbers.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTimer>

namespace amb {

QString joinCities(const QStringList& texts) {
    return texts.join(QLatin1Char(';'));
}

QStringList splitCities(const QString& value) {
    QStringList parts = value.split(QLatin1Char(';'));
    parts.removeAll(QString());
    return parts;
}

QString joinCoordinates(const std::vector<SavedEntry>& entries) {
    QStringList lines;
    lines.reserve(static_cast<qsizetype>(entries.size()));
    for (const SavedEntry& e : entries)
        lines.append(e.text + QLatin1Char('\t') + e.latitude + QLatin1Char('\t') + e.longitude);
    return lines.join(QLatin1Char('\n'));
}

std::vector<SavedEntry> parseCoordinates(const QString& value) {
    std::vector<SavedEntry> entries;
    if (value.isEmpty())
        return entries;
    const QStringList lines = value.split(QLatin1Char('\n'));
    entries.reserve(static_cast<size_t>(lines.size()));
    for (const QString& line : lines) {
        // The text may hold tabs of its own: the coordinates are the last two fields.
        const qsizetype second = line.lastIndexOf(QLatin1Char('\t'));
        const qsizetype first = second > 0 ? line.lastIndexOf(QLatin1Char('\t'), second - 1) : -1;
        if (first < 0)
            return {};
        entries.push_back(
            {line.left(first), line.mid(first + 1, second - first - 1), line.mid(second + 1)});
    }
    return entries;
}

namespace {

QString keptNumber(const QString& text, const LocaleNumbers& numbers) {
    const std::optional<double> value = numbers.fromText(text);
    return value ? LocaleNumbers::storedText(*value) : text;
}

QString shownNumber(const QString& kept, const LocaleNumbers& numbers) {
    const std::optional<double> value = LocaleNumbers::fromStoredText(kept);
    return value ? numbers.toText(*value) : kept;
}

} // namespace

QString keepCoordinates(const std::vector<SavedEntry>& entries, const LocaleNumbers& numbers) {
    QJsonArray list;
    for (const SavedEntry& e : entries)
        list.append(
            QJsonArray{e.text, keptNumber(e.latitude, numbers), keptNumber(e.longitude, numbers)});
    return QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Compact));
}

std::optional<std::vector<SavedEntry>> readKeptCoordinates(const QString& value,
                                                           const LocaleNumbers& numbers) {
    // A value in the old layout never parses as a JSON array: its lines hold tabs
    // outside any string.
    const QJsonDocument document = QJsonDocument::fromJson(value.toUtf8());
    if (!document.isArray())
        return std::nullopt;
    std::vector<SavedEntry> entries;
    const QJsonArray list = document.array();
    entries.reserve(static_cast<size_t>(list.size()));
    for (const QJsonValue& item : list) {
        const QJsonArray fields = item.toArray();
        if (fields.size() != 3 || !fields[0].isString() || !fields[1].isString() ||
            !fields[2].isString())
            return std::nullopt;
        entries.push_back({fields[0].toString(), shownNumber(fields[1].toString(), numbers),
                           shownNumber(fields[2].toString(), numbers)});
    }
    return entries;
}

void restoreTripList(Form1& form, ErrorReport& report, int line) {
    Platform& platform = form.platform();
    QString value;
    report(line, [&] {
        value =
            platform.readSetting(kSettingsApplication, kSettingsSection, kCitiesValue, QString());
    });
    if (value.isEmpty())
        return;
    QString coordinatesValue;
    report(line + 2, [&] {
        coordinatesValue = platform.readSetting(kSettingsApplication, kSettingsSection,
                                                kCoordinatesValue, QString());
    });
    ListView& trip = *form.ListView3;
    // Each entry is a statement of its own: one that fails does not keep the others out.
    const auto addEntry = [&](const QString& text, const QString* latitude,
                              const QString* longitude) {
        report(line + 4, [&] {
            const int item = trip.add(text);
            if (latitude) {
                trip.setSubItem(item, 1, *latitude);
                trip.setSubItem(item, 2, *longitude);
            }
        });
    };
    // The kept entries, when they are the same trip as "Cities" (which another
    // program may have changed meanwhile): each with its whole text, whatever it holds.
    if (const auto kept = readKeptCoordinates(coordinatesValue, LocaleNumbers::current())) {
        QStringList keptTexts;
        for (const SavedEntry& e : *kept)
            keptTexts.append(e.text);
        if (joinCities(keptTexts) == value) {
            for (const SavedEntry& e : *kept)
                addEntry(e.text, &e.latitude, &e.longitude);
            return;
        }
    }
    const QStringList texts = splitCities(value);
    const std::vector<SavedEntry> coordinates = parseCoordinates(coordinatesValue);
    bool withCoordinates = coordinates.size() == static_cast<size_t>(texts.size());
    for (qsizetype i = 0; withCoordinates && i < texts.size(); ++i)
        withCoordinates = coordinates[static_cast<size_t>(i)].text == texts.at(i);

    for (qsizetype i = 0; i < texts.size(); ++i) {
        const SavedEntry* entry = withCoordinates ? &coordinates[static_cast<size_t>(i)] : nullptr;
        addEntry(texts.at(i), entry ? &entry->latitude : nullptr,
                 entry ? &entry->longitude : nullptr);
    }
}

void restoreMeasureChoice(Form1& form, ErrorReport& report, int line) {
    report(line, [&] {
        Platform& platform = form.platform();
        const auto read = [&](const QString& key) {
            return platform.readSetting(kSettingsApplication, kSettingsSection, key, QString());
        };
        MeasureChoice choice;
        const QString unit = read(kUnitValue);
        if (unit == QLatin1String("km") || unit == QLatin1String("nmi"))
            choice.unit = unit;
        if (read(kEarthModelValue) == QLatin1String("wgs84"))
            choice.model = QStringLiteral("wgs84");
        choice.totalLine = read(kTotalLineValue) == QLatin1String("1");
        choice.returnToFirst = read(kReturnToFirstValue) == QLatin1String("1");
        choice.courseInEachLine = read(kCourseValue) == QLatin1String("1");
        form.measureChoice = choice;
    });
}

void keepMeasureChoice(Platform& platform, const MeasureChoice& choice) {
    platform.writeSetting(kSettingsApplication, kSettingsSection, kUnitValue, choice.unit);
    platform.writeSetting(kSettingsApplication, kSettingsSection, kEarthModelValue, choice.model);
    platform.writeSetting(kSettingsApplication, kSettingsSection, kTotalLineValue,
                          choice.totalLine ? QStringLiteral("1") : QStringLiteral("0"));
    platform.writeSetting(kSettingsApplication, kSettingsSection, kReturnToFirstValue,
                          choice.returnToFirst ? QStringLiteral("1") : QStringLiteral("0"));
    platform.writeSetting(kSettingsApplication, kSettingsSection, kCourseValue,
                          choice.courseInEachLine ? QStringLiteral("1") : QStringLiteral("0"));
}

SavedEntry keptEntry(const ListView& trip, int item) {
    return {trip.text(item), trip.subItem(item, 1), trip.subItem(item, 2)};
}

void writeTripList(Platform& platform, const QString& cities,
                   const std::vector<SavedEntry>& entries) {
    platform.writeSettings(kSettingsApplication, kSettingsSection,
                           {{kCitiesValue, cities},
                            {kCoordinatesValue, keepCoordinates(entries, LocaleNumbers::current())}});
}

TripListKeeper::TripListKeeper(Form1& form) : form_(form), timer_(std::make_unique<QTimer>()) {
    timer_->setObjectName(QStringLiteral("TripListKeeper"));
    timer_->setSingleShot(true);
    timer_->setInterval(kDelayMs);
    QObject::connect(timer_.get(), &QTimer::timeout, timer_.get(), [this] { keep(); });
    // Every way a model says its rows changed; a change while a write waits joins it
    // (the timer is not started again, so a stream of changes still gets written).
    const auto changed = [this] {
        if (!timer_->isActive())
            timer_->start();
    };
    const ListModel* model = &form.ListView3->model();
    QTimer* context = timer_.get();
    QObject::connect(model, &QAbstractItemModel::rowsInserted, context, changed);
    QObject::connect(model, &QAbstractItemModel::rowsRemoved, context, changed);
    QObject::connect(model, &QAbstractItemModel::rowsMoved, context, changed);
    QObject::connect(model, &QAbstractItemModel::modelReset, context, changed);
    QObject::connect(model, &QAbstractItemModel::dataChanged, context, changed);
    QObject::connect(model, &QAbstractItemModel::layoutChanged, context, changed);
}

TripListKeeper::~TripListKeeper() = default;

bool TripListKeeper::pending() const {
    return timer_->isActive();
}

void TripListKeeper::stop() {
    timer_->stop();
    QObject::disconnect(&form_.ListView3->model(), nullptr, timer_.get(), nullptr);
}

void TripListKeeper::keep() {
    try {
        const ListView& trip = *form_.ListView3;
        std::vector<SavedEntry> entries;
        QStringList texts;
        const int n = trip.count();
        entries.reserve(static_cast<size_t>(n));
        texts.reserve(n);
        for (int i = 1; i <= n; ++i) {
            entries.push_back(keptEntry(trip, i));
            texts.append(entries.back().text);
        }
        writeTripList(form_.platform(), joinCities(texts), entries);
    } catch (const std::exception&) {
        // The store cannot be written now: the next change tries again, and the
        // close's own write tells the user.
    }
}

void Form1::Form_QueryUnload() {
    if (TripListKeeper1)
        TripListKeeper1->stop();
    ErrorReport report(platform_, QStringLiteral("Form1.Form_QueryUnload"));
    QStringList texts;
    std::vector<SavedEntry> entries;
    report(100, [&] { texts.clear(); });
    report(102, [&] {
        // Counted with a full-size integer: every entry is saved, however long the list.
        const int n = ListView3->count();
        texts.reserve(n);
        entries.reserve(static_cast<size_t>(n));
        for (int i = 1; i <= n; ++i) {
            report(104, [&] {
                entries.push_back(keptEntry(*ListView3, i));
                texts.append(entries.back().text);
            });
        } // 106
    });
    QString value;
    report(108, [&] { value = joinCities(texts); });
    report(110, [&] { writeTripList(platform_, value, entries); });
    report(112, [&] { platform_.doEvents(); });
}

void Form1::Form_Unload() {
    platform_.endProgram(); // the platform ends the event loop
}

} // namespace amb
