#pragma once

#include "lookup/city_import.h"
#include "lookup/city_writer.h"

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace amb {
class LocaleNumbers;
}

namespace fuzz {

// The Qt application the readers need (fonts and pictures need a GUI one, windows
// a widgets one, always off screen), made once; Qt's own warnings about bad input
// are kept off the fuzzer's output.
void startQt(bool gui = false);
void startWidgets();

// The locales of the number tests: decimal comma, U+2212 minus, direction marks,
// Arabic-Indic and Persian digits.
inline constexpr const char* kLocaleNames[] = {"C",     "en_US", "de_DE", "fr_FR", "sv_SE",
                                               "he_IL", "ar_EG", "ar_SA", "fa_IR", "hi_IN"};
inline constexpr int kLocaleCount = sizeof kLocaleNames / sizeof kLocaleNames[0];
// Both made once per locale: making them reads Qt's locale tables.
const QLocale& testLocale(uint8_t choice);
const amb::LocaleNumbers& testNumbers(uint8_t choice);

// The fuzzer's input read from the front: a few choice bytes, then the rest.
class Input {
public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    // The next byte, 0 once the input is used up.
    uint8_t byte() {
        if (size_ == 0)
            return 0;
        --size_;
        return *data_++;
    }
    std::string_view rest() const { return {reinterpret_cast<const char*>(data_), size_}; }
    QByteArray restBytes() const {
        return QByteArray(reinterpret_cast<const char*>(data_), static_cast<qsizetype>(size_));
    }

private:
    const uint8_t* data_;
    size_t size_;
};

// A folder of this process's own for the files a reader wants by name, in memory
// when the machine offers it (/dev/shm); removed when the process ends.
const QString& scratchFolder();

// What a call writes to one of the standard files (STDOUT_FILENO, STDERR_FILENO),
// caught in a file in memory made once.
class CaughtOutput {
public:
    explicit CaughtOutput(int fd);
    std::string of(const std::function<void()>& run);

private:
    int fd_, file_;
};

// The GeoNames files of the tests' trip fixture (cities with their details, regions,
// countries).
amb::GeoNamesSources tripFixture();

// Runs `import` into a database in memory, made once per process, inside a
// transaction rolled back afterwards, so each input starts from an empty one.
// `import` fills the writer (finished here) and gives the number of cities it
// reports; the database must then hold that many. A RunTimeError is a refusal.
void importIntoMemory(
    const std::function<qint64(amb::importing::CityTableWriter& writer)>& import);

} // namespace fuzz
