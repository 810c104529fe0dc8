// libjpeg's fatal errors, turned into a jump back to the entry point that
// created the library object. Each load or save has its own recovery point,
// beside its error manager, so that files can be coded on several threads.
#pragma once

#include <csetjmp>
#include <cstdio>
#include <string>

#include <jpeglib.h>

namespace fovella::jpeg {

struct ErrorManager {
    jpeg_error_mgr library;  // first, so that the library's pointer is ours
    std::jmp_buf recovery;
    char message[JMSG_LENGTH_MAX];
};

// Installed as error_exit: keeps the library's message, then jumps.
[[noreturn]] inline void ErrorExit(j_common_ptr info)
{
    auto* manager = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, manager->message);
    std::longjmp(manager->recovery, -2);
}

inline jpeg_error_mgr* Install(ErrorManager& manager)
{
    jpeg_std_error(&manager.library);
    manager.library.error_exit = ErrorExit;
    manager.message[0] = '\0';
    return &manager.library;
}

}  // namespace fovella::jpeg
