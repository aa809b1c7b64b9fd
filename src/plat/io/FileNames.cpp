#include "plat/io/FileNames.h"

#include <QFileInfo>

#include <cctype>

namespace io {

std::vector<std::string> extensionVariants(const std::string& base, const std::string& ext)
{
    std::vector<std::size_t> letters;
    for (std::size_t i = 0; i < ext.size(); ++i)
        if (std::isalpha(static_cast<unsigned char>(ext[i])))
            letters.push_back(i);
    std::string lower = ext, upper = ext;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));

    std::vector<std::string> out { base + lower };
    if (upper != lower)
        out.push_back(base + upper);
    // Bit k of the mask puts letter k in upper case; 0 and all-ones are the two above.
    const std::size_t count = letters.size() < 16 ? letters.size() : 16;
    const std::size_t all = (std::size_t(1) << count) - 1;
    for (std::size_t mask = 1; mask < all; ++mask) {
        std::string e = lower;
        for (std::size_t k = 0; k < count; ++k)
            if (mask & (std::size_t(1) << k))
                e[letters[k]] = upper[letters[k]];
        out.push_back(base + e);
    }
    return out;
}

std::string findExtensionVariant(const std::string& base, const std::string& ext)
{
    for (const std::string& name : extensionVariants(base, ext)) {
        const QFileInfo info(QString::fromStdString(name));
        if (info.exists() && !info.isDir())
            return name;
    }
    return {};
}

std::string saveExtensionVariant(const std::string& base, const std::string& ext)
{
    std::string found = findExtensionVariant(base, ext);
    return found.empty() ? extensionVariants(base, ext).front() : found;
}

} // namespace io
