// libpng's errors: the message is kept beside the read or write structure,
// then the library's own jump buffer takes control back to the entry point.
#pragma once

#include <png.h>

#include <cstdio>
#include <string>

namespace fovella::png {

struct ErrorState {
    std::string path;  // the file read or written, for warnings
    std::string message;
};

inline void OnError(png_structp png, png_const_charp message)
{
    if (auto* state = static_cast<ErrorState*>(png_get_error_ptr(png)))
        state->message = message;
    png_longjmp(png, 1);
}

// Warnings do not stop the library; they go to standard error, naming the file.
inline void OnWarning(png_structp png, png_const_charp message)
{
    const auto* state = static_cast<ErrorState*>(png_get_error_ptr(png));
    std::fprintf(stderr, "'%s': libpng warning: %s\n", state ? state->path.c_str() : "?", message);
}

}  // namespace fovella::png
