// What a photograph carries beside its pixels, kept from a load to a later
// save: the EXIF block, the colour profile, the XMP packet and PNG's colour
// chunks. Readers fill what their format holds; writers emit what theirs can
// hold and leave out the rest (a BMP file nothing).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace fovella {

struct PhotoMetadata {
    // A JPEG file's first APP1 payload that is not XMP: "Exif\0\0" and the
    // TIFF structure (ReadExif). JPEG only.
    std::vector<std::uint8_t> exif;
    // The ICC profile, whole: joined from a JPEG's ICC_PROFILE chunks in
    // their sequence order, or a PNG's iCCP chunk inflated.
    std::vector<std::uint8_t> iccProfile;
    // The XMP packet as the file holds it, "<?xpacket" to the end marker.
    std::string xmp;
    // The payloads of a JPEG's extended XMP segments (namespace, GUID,
    // length, offset, part), in file order. JPEG only.
    std::vector<std::vector<std::uint8_t>> extendedXmp;
    // PNG's sRGB rendering intent, gAMA (gamma times 100000) and cHRM
    // (white, red, green, blue points, x and y times 100000), as the source
    // file had them. PNG only.
    std::optional<std::uint8_t> srgbIntent;
    std::optional<std::uint32_t> gamma;
    std::optional<std::array<std::uint32_t, 8>> chromaticities;

    bool operator==(const PhotoMetadata& other) const
    {
        return exif == other.exif && iccProfile == other.iccProfile && xmp == other.xmp &&
               extendedXmp == other.extendedXmp && srgbIntent == other.srgbIntent && gamma == other.gamma &&
               chromaticities == other.chromaticities;
    }
};

}  // namespace fovella
