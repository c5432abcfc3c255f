#include "cli/tool_message.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace amb::cli {

std::string escapedControls(std::string_view text, bool keepLineEnds) {
    std::string shown;
    shown.reserve(text.size());
    const auto escape = [&shown](unsigned code) {
        char hex[5];
        std::snprintf(hex, sizeof hex, "\\x%02x", code);
        shown += hex;
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte == '\n' && keepLineEnds) {
            shown += '\n';
        } else if (byte < 0x20 || byte == 0x7f) {
            escape(byte);
        } else if (byte == 0xc2 && i + 1 < text.size() &&
                   static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(text[i + 1]) <= 0x9f) {
            // U+0080..U+009F: terminals take U+009B as the start of an escape sequence.
            escape(static_cast<unsigned char>(text[++i]));
        } else {
            shown += static_cast<char>(byte);
        }
    }
    return shown;
}

void printMessage(const char* format, ...) {
    std::string message;
    va_list args;
    va_start(args, format);
    // Conversions other than %s are formatted as printf would, one at a time.
    for (const char* p = format; *p != '\0';) {
        if (*p != '%') {
            message += *p++;
            continue;
        }
        const char* start = p++;
        p += std::strspn(p, "-+ #0123456789.");
        const size_t lengthModifiers = std::strspn(p, "hlzjt");
        const std::string_view length(p, lengthModifiers);
        p += lengthModifiers;
        const char conversion = *p == '\0' ? '%' : *p++;
        const std::string directive(start, p);
        char number[64] = "";
        switch (conversion) {
        case 's':
            message += escapedControls(va_arg(args, const char*));
            continue;
        case '%':
            message += '%';
            continue;
        case 'c':
            message += escapedControls(std::string(1, static_cast<char>(va_arg(args, int))));
            continue;
        case 'f':
        case 'g':
        case 'e':
            std::snprintf(number, sizeof number, directive.c_str(), va_arg(args, double));
            break;
        default:
            if (length == "l")
                std::snprintf(number, sizeof number, directive.c_str(), va_arg(args, long));
            else if (length == "ll")
                std::snprintf(number, sizeof number, directive.c_str(), va_arg(args, long long));
            else if (length == "z")
                std::snprintf(number, sizeof number, directive.c_str(), va_arg(args, size_t));
            else
                std::snprintf(number, sizeof number, directive.c_str(), va_arg(args, int));
            break;
        }
        message += number;
    }
    va_end(args);
    std::fputs(message.c_str(), stderr);
}

} // namespace amb::cli
