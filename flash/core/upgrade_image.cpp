#include "upgrade_image.h"

#include <sys/stat.h>

#include <cstdio>
#include <limits>

#include "image_name.h"

namespace kestrel::flash {

namespace {
// The recorders take 127 characters and a NUL.
constexpr size_t kMaxNameChars = 127;
}  // namespace

const char* ImageCheckMessage(ImageCheck check) {
    switch (check) {
        case ImageCheck::kOk:
            return "";
        case ImageCheck::kEmptyPath:
            return "Not empty file path!";
        case ImageCheck::kNoFolder:
            return "无效的文件目录!";
        case ImageCheck::kNameTooLong:
            return "File name too long!";
        case ImageCheck::kNoDot:
            return "Invalid file of upgrading!";
        case ImageCheck::kBadExtension:
            return "Please select valid the type of file for upgrading!";
        case ImageCheck::kNameCheckFailed:
            return "File Name check failed!";
        case ImageCheck::kOpenFailed:
            return "File open failed!";
        case ImageCheck::kReadFailed:
            return "File mapping failed!";
    }
    return "";
}

ImageCheck CheckImagePath(std::string_view path) {
    if (path.empty()) {
        return ImageCheck::kEmptyPath;
    }
    if (path.find_first_of("/\\") == std::string_view::npos) {
        return ImageCheck::kNoFolder;
    }
    const std::string_view name = ImageFileName(path);
    if (name.size() > kMaxNameChars) {
        return ImageCheck::kNameTooLong;
    }
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) {
        return ImageCheck::kNoDot;
    }
    if (!name.substr(dot + 1).starts_with("sw")) {
        return ImageCheck::kBadExtension;
    }
    if (!IsValidImageName(name)) {
        return ImageCheck::kNameCheckFailed;
    }
    return ImageCheck::kOk;
}

int64_t ImageFileSize(const std::string& path) {
    struct stat info {};
    if (path.empty() || stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return -1;
    }
    return static_cast<int64_t>(info.st_size);
}

ImageCheck LoadImage(const std::string& path, std::shared_ptr<const UpgradeImage>* out) {
    const ImageCheck check = CheckImagePath(path);
    if (check != ImageCheck::kOk) {
        return check;
    }
    // Read-only: the bytes are copied once, so nothing needs to keep others
    // from writing the file while uploads run.
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return ImageCheck::kOpenFailed;
    }
    auto image = std::make_shared<UpgradeImage>();
    image->path = path;
    image->name = std::string(ImageFileName(path));
    const int64_t size = ImageFileSize(path);
    // The upgrade request announces the size in 32 bits.
    bool ok = size >= 0 && static_cast<uint64_t>(size) <= std::numeric_limits<uint32_t>::max();
    if (ok) {
        try {
            image->bytes.resize(static_cast<size_t>(size));
        } catch (const std::bad_alloc&) {
            ok = false;
        }
    }
    if (ok && size > 0) {
        ok = std::fread(image->bytes.data(), 1, image->bytes.size(), file) == image->bytes.size();
    }
    std::fclose(file);
    if (!ok) {
        return ImageCheck::kReadFailed;
    }
    *out = std::move(image);
    return ImageCheck::kOk;
}

std::string WithThousands(uint64_t value) {
    std::string digits = std::to_string(value);
    std::string out;
    out.reserve(digits.size() + digits.size() / 3);
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            out.push_back(',');
        }
        out.push_back(digits[i]);
    }
    return out;
}

}  // namespace kestrel::flash
