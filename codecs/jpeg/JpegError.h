// libjpeg's fatal errors, turned into a jump back to the entry point that
// created the library object. Each load or save has its own recovery point,
// beside its error manager, so that files can be coded on several threads.
#pragma once

#include <csetjmp>
#include <cstdio>
#include <string>

#include <jpeglib.h>
#include <jerror.h>

namespace fovella::jpeg {

struct ErrorManager {
    jpeg_error_mgr library;  // first, so that the library's pointer is ours
    std::jmp_buf recovery;
    char message[JMSG_LENGTH_MAX];
    const char* path;        // the file read or written, for warnings
};

// Installed as error_exit: keeps the library's message, then jumps.
[[noreturn]] inline void ErrorExit(j_common_ptr info)
{
    auto* manager = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, manager->message);
    std::longjmp(manager->recovery, -2);
}

// Installed as emit_message. Data that ends before the last row is fatal
// here: the library would fill the rest of the picture with grey and call
// it a picture. Other warnings (corrupt data the library skipped) go to
// standard error, the first of each file only, naming the file.
inline void EmitMessage(j_common_ptr info, int level)
{
    if (level >= 0)
        return;  // trace messages
    auto* manager = reinterpret_cast<ErrorManager*>(info->err);
    if (info->err->msg_code == JWRN_JPEG_EOF) {
        std::snprintf(manager->message, sizeof manager->message, "the data ends before the last row");
        std::longjmp(manager->recovery, -2);
    }
    if (info->err->num_warnings++ == 0) {
        char text[JMSG_LENGTH_MAX];
        (*info->err->format_message)(info, text);
        std::fprintf(stderr, "'%s': libjpeg warning: %s\n", manager->path, text);
    }
}

inline jpeg_error_mgr* Install(ErrorManager& manager, const std::string& path)
{
    jpeg_std_error(&manager.library);
    manager.library.error_exit = ErrorExit;
    manager.library.emit_message = EmitMessage;
    manager.message[0] = '\0';
    manager.path = path.c_str();
    return &manager.library;
}

}  // namespace fovella::jpeg
