#include "make_path.h"

#include <algorithm>

#include "platform/paths.h"

namespace kestrel::client {

bool MakePath(const std::string& path) {
    std::string text = path;
    std::replace(text.begin(), text.end(), '\\', '/');
    const size_t last = text.rfind('/');
    if (last == std::string::npos) {
        return true;
    }
    text.resize(last + 1);
    if (text.size() <= 4) {
        return true;
    }
    for (size_t slash = text.find('/', 4); slash != std::string::npos;
         slash = text.find('/', slash + 1)) {
        platform::MakeDirectory(text.substr(0, slash));
    }
    return true;
}

}  // namespace kestrel::client
