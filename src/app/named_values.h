#pragma once

#include <QString>
#include <cstddef>
#include <optional>

namespace amb {

// The words that stand for the values of an enum on command lines and in output
// files. One table serves both directions, so a word that is read is always the
// word that is written.
template <typename Value> struct NamedValue {
    QString name; // a literal: copies share its text
    Value value;
};

// The value named exactly `text`; none for any other text.
template <typename Value, std::size_t N>
std::optional<Value> valueNamed(const NamedValue<Value> (&table)[N], const QString& text) {
    for (const NamedValue<Value>& entry : table)
        if (text == entry.name)
            return entry.value;
    return std::nullopt;
}

// The name of `value`; the first entry's for a value the table lacks.
template <typename Value, std::size_t N>
QString nameOf(const NamedValue<Value> (&table)[N], Value value) {
    for (const NamedValue<Value>& entry : table)
        if (entry.value == value)
            return entry.name;
    return table[0].name;
}

} // namespace amb
