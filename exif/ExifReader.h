// The focal length and the orientation from a JPEG file's EXIF block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>

namespace fovella {

struct ExifInfo {
    float FocalLength = 0;  // millimetres; 0 when the block has none
    // How the stored pixels are turned to be seen upright, 1 to 8 as EXIF
    // numbers them (1: as stored); 1 when the first directory has none or
    // a value outside 1 to 8.
    int Orientation = 1;
};

// Walks the TIFF directories of an APP1 payload ("Exif\0\0", then the TIFF
// structure) and returns the last FocalLength found, in the walk's order,
// and the Orientation of the first directory (the picture's own; a later
// one would be the thumbnail's).
// Every offset is checked before it is read: nothing outside the payload is
// touched. Problems end or shorten the walk and are reported on
// `diagnostics`, one line each starting "Nonfatal Error : ". The payload is
// only read: a file saved later with this block carries it byte for byte.
// Thread-safe: no state outside the call.
ExifInfo ReadExif(const std::uint8_t* payload, std::size_t length, std::ostream& diagnostics);
// The same, reporting on the standard error stream.
ExifInfo ReadExif(const std::uint8_t* payload, std::size_t length);

}  // namespace fovella
