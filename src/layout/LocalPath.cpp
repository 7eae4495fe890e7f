#include "layout/LocalPath.h"

#include <pugixml.hpp>

std::string ToLocalPath(std::wstring_view path)
{
    std::wstring local(path);
    for (wchar_t& c : local) {
        if (c == L'\\')
            c = L'/';
    }
    return pugi::as_utf8(local);
}

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendCodePoint(std::wstring& out, char32_t cp)
{
    if constexpr (sizeof(wchar_t) == 2) {
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (cp >> 10));
            out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
            return;
        }
    }
    out += static_cast<wchar_t>(cp);
}

// Length, payload bits and smallest code point of a sequence by its lead byte; 0 if not a lead.
struct Lead
{
    std::size_t length;
    char32_t bits;
    char32_t minimum;
};

Lead ReadLead(unsigned char byte)
{
    if ((byte & 0xE0) == 0xC0)
        return {2, byte & 0x1Fu, 0x80};
    if ((byte & 0xF0) == 0xE0)
        return {3, byte & 0x0Fu, 0x800};
    if ((byte & 0xF8) == 0xF0)
        return {4, byte & 0x07u, 0x10000};
    return {0, 0, 0};
}

} // namespace

std::wstring WideFromUtf8(std::string_view text)
{
    std::wstring out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            out += static_cast<wchar_t>(byte);
            ++i;
            continue;
        }
        const Lead lead = ReadLead(byte);
        char32_t cp = lead.bits;
        std::size_t used = 1;
        while (used < lead.length && i + used < text.size() &&
               (static_cast<unsigned char>(text[i + used]) & 0xC0) == 0x80) {
            cp = (cp << 6) | (static_cast<unsigned char>(text[i + used]) & 0x3Fu);
            ++used;
        }
        // Truncated, overlong, surrogate and out-of-range sequences each become one replacement.
        const bool valid = lead.length != 0 && used == lead.length && cp >= lead.minimum && cp <= 0x10FFFF &&
                           (cp < 0xD800 || cp > 0xDFFF);
        AppendCodePoint(out, valid ? cp : kReplacement);
        i += used;
    }
    return out;
}
