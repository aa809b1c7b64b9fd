#pragma once
// File names whose extension the program appends itself (".ZOV"). On a case-sensitive file
// system the file on disk may carry the extension in any case: it is found whatever the case,
// and a save rewrites that file rather than creating a second one beside it.

#include <string>
#include <vector>

namespace io {

// Base + Ext with every mix of upper- and lower-case letters in Ext: all lower case first,
// then all upper case, then the mixed forms.
std::vector<std::string> extensionVariants(const std::string& base, const std::string& ext);

// The first variant that names an existing file (not a folder); empty when there is none.
std::string findExtensionVariant(const std::string& base, const std::string& ext);

// Where a save of Base goes: the existing variant, else Base + Ext in lower case.
std::string saveExtensionVariant(const std::string& base, const std::string& ext);

} // namespace io
