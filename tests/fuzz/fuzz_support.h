#pragma once

#include "lookup/city_import.h"

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

namespace fuzz {

// The Qt application the readers need (fonts and pictures need a GUI one, always
// off screen), made once; Qt's own warnings about bad input are kept off the
// fuzzer's output.
void startQt(bool gui = false);

// The locales of the number tests: decimal comma, U+2212 minus, direction marks,
// Arabic-Indic and Persian digits.
inline constexpr const char* kLocaleNames[] = {"C",     "en_US", "de_DE", "fr_FR", "sv_SE",
                                               "he_IL", "ar_EG", "ar_SA", "fa_IR", "hi_IN"};
inline constexpr int kLocaleCount = sizeof kLocaleNames / sizeof kLocaleNames[0];
QLocale testLocale(uint8_t choice);

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
// Writes `bytes` to `name` in the scratch folder and gives its path.
QString writeScratchFile(const QString& name, std::string_view bytes);

// The GeoNames files of the tests' trip fixture (cities with their details, regions,
// countries).
amb::GeoNamesSources tripFixture();

// Runs `import` into a database in the scratch folder and removes it afterwards. A
// RunTimeError is a refusal, which must leave no database behind.
void importIntoScratch(const std::function<void(const QString& database)>& import);

} // namespace fuzz
