// The maker's web address, as the link controls show it and open it.
#pragma once

namespace fovella {

constexpr const char* kMakerWebText = "www.brennick.example";
constexpr const char* kMakerWebAddress = "https://www.brennick.example/";

}  // namespace fovella
