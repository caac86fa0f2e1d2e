#pragma once

#include <span>
#include <string_view>

namespace velko::gateway {

struct BoardAsset {
    std::string_view path;
    std::string_view contentType;
    std::string_view body;
};

// Every file under web/dist/ (built page), embedded at build time; "/" serves "/index.html".
std::span<const BoardAsset> boardAssets();

}  // namespace velko::gateway
