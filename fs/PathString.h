// Path text in the platform's own notation, and its parts.
//
// The splitting rules are written once and parameterised by PathRules: on
// Windows "\" is the separator, "/" is turned into "\" and a drive root
// ("C:\") keeps its separator; on POSIX systems "/" is the separator and a
// backslash is an ordinary character of a name. No operation here interprets
// "." or ".." or touches the file system, except the three at the end.
#pragma once

#include <string>

namespace fovella {

struct PathRules {
    char separator;
    bool windows;  // "/" becomes "\", and "X:\" is a drive root
};

inline constexpr PathRules kWindowsPaths{'\\', true};
inline constexpr PathRules kPosixPaths{'/', false};
// The programs are built for POSIX systems only and split by its rules;
// the Windows rules are the same functions under the other notation.
inline constexpr PathRules kNativePaths = kPosixPaths;

// The text with the rules' normalisation applied ("/" to "\" on Windows).
std::string CleanPath(std::string text, const PathRules& rules = kNativePaths);

// A path text, cleaned on construction and assignment (not on append).
class PathString {
public:
    PathString() = default;
    PathString(const char* text) : m_text(CleanPath(text)) {}
    PathString(std::string text) : m_text(CleanPath(std::move(text))) {}

    PathString& operator+=(const std::string& tail)
    {
        m_text += tail;
        return *this;
    }

    const std::string& str() const { return m_text; }
    const char* c_str() const { return m_text.c_str(); }
    bool empty() const { return m_text.empty(); }
    operator const std::string&() const { return m_text; }

    friend bool operator==(const PathString& a, const PathString& b) { return a.m_text == b.m_text; }
    friend bool operator!=(const PathString& a, const PathString& b) { return a.m_text != b.m_text; }

private:
    std::string m_text;
};

// The folder part: empty for a bare name; ends in the separator only for a
// root ("/", "\", "C:\").
std::string GetDirectory(const std::string& path, const PathRules& rules = kNativePaths);
// The name with its extension; the whole path when it has no separator.
std::string GetFileName(const std::string& path, const PathRules& rules = kNativePaths);
// The name without its last extension: "a.b.jpg" gives "a.b", ".jpg" gives "".
std::string GetFileStem(const std::string& path, const PathRules& rules = kNativePaths);
// The text after the name's last dot, without the dot; empty without one.
std::string GetExtension(const std::string& path, const PathRules& rules = kNativePaths);
// folder + separator (unless empty or already there) + name + "." + extension
// (unless empty or already dotted), cleaned as a whole.
std::string JoinPath(const std::string& folder, const std::string& name,
                     const std::string& extension, const PathRules& rules);
PathString JoinPath(const std::string& folder, const std::string& name,
                    const std::string& extension);

// Whether two texts are equal with ASCII letter case ignored (other bytes
// compared as they are): how extensions are told apart, and how the window
// finds its own file among its folder's.
bool EqualIgnoringCase(const std::string& a, const std::string& b);

// True for an existing regular file (symbolic links followed).
bool IsFile(const std::string& path);
// True for an existing directory (symbolic links followed).
bool IsDirectory(const std::string& path);
// True, with `out` set to the working directory, however long it is.
bool GetCurrentDir(PathString& out);

}  // namespace fovella
