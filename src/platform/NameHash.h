#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <functional>
#include <string_view>

namespace umbraxis {

// Hashes for the lookup tables the program fills with hundreds of names in
// one go (a folder being installed into, a level's values in the settings
// file). The toolkit's own string hash is several times slower, and showed
// in the time an installation takes.
struct BytesHash {
    std::size_t operator()(const QByteArray& bytes) const noexcept
    {
        return std::hash<std::string_view>{}(std::string_view(bytes.constData(), std::size_t(bytes.size())));
    }
};

struct TextHash {
    std::size_t operator()(const QString& text) const noexcept
    {
        return std::hash<std::u16string_view>{}(
            std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), std::size_t(text.size())));
    }
};

} // namespace umbraxis
