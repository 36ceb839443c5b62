#include "platform/version_resource.h"

#include <vector>

namespace platform {

std::optional<VS_FIXEDFILEINFO> FixedFileInfo(const std::string& ansiPath)
{
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(ansiPath.c_str(), &ignored);
    if (size < 1) return std::nullopt;
    std::vector<unsigned char> data(size + 1u, 0);
    if (!::GetFileVersionInfoA(ansiPath.c_str(), 0, size, data.data())) return std::nullopt;
    void* root = nullptr;
    UINT length = 0;
    VS_FIXEDFILEINFO info{};
    if (::VerQueryValueA(data.data(), "\\", &root, &length) && root) {
        const UINT copy = length < sizeof(info) ? length : static_cast<UINT>(sizeof(info));
        ::CopyMemory(&info, root, copy);
    }
    return info;
}

} // namespace platform
