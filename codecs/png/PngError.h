// libpng's errors: the message is kept beside the read or write structure,
// then the library's own jump buffer takes control back to the entry point.
#pragma once

#include <png.h>

#include <string>

namespace fovella::png {

struct ErrorState {
    std::string message;
};

inline void OnError(png_structp png, png_const_charp message)
{
    if (auto* state = static_cast<ErrorState*>(png_get_error_ptr(png)))
        state->message = message;
    png_longjmp(png, 1);
}

}  // namespace fovella::png
