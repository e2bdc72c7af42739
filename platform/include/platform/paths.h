// Program, home and drive-root folders; native path spelling; disk space;
// starting programs; loading shared libraries by name.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

constexpr char kPathSeparator =
#ifdef _WIN32
    '\\';
#else
    '/';
#endif

// Folder of the running program, ending with a separator.
std::string ProgramFolder();
// Folder holding the client's configuration and log: KESTREL_HOME, else the
// program folder when writable, else $XDG_DATA_HOME/kestrel (~/.local/share/kestrel).
// Ends with a separator; created when missing.
std::string ClientHomeFolder();
// Stand-in for the "c:\" drive root: KESTREL_DRIVE_ROOT, else the user's home
// folder (on Windows "c:\"). Ends with a separator.
std::string DriveRoot();
// Turns a built-in Windows path ("c:\DVR\record\") into the native one: the
// drive prefix becomes DriveRoot() and backslashes become kPathSeparator.
// Any drive letter, in either case, maps to DriveRoot(); a path without a
// drive prefix only has its separators changed.
std::string NativePath(const std::string& windows_path);
// folder + separator + name, with no doubled separator; name alone when
// folder is empty.
std::string JoinPath(const std::string& folder, const std::string& name);

// Creates path and its missing parents (mkdir -p); true when path is then a
// directory.
bool MakeDirectories(const std::string& path);
// Creates the one folder path (its parent must exist); true when it was
// created, false when it exists already or cannot be made.
bool MakeDirectory(const std::string& path);
// True when anything (file or folder) exists at path.
bool FileExists(const std::string& path);
// Free bytes available to the user on the disk holding folder; -1 on error.
int64_t FreeDiskBytes(const std::string& folder);
// Starts program detached from this process (own session, stdin from
// /dev/null, not a child of this process, so nothing to reap); false when it
// could not start, including when the program cannot be executed. A program
// name without a slash is looked up in PATH.
bool StartDetached(const std::string& program, const std::vector<std::string>& args);

// Environment variable, or fallback when unset or empty.
std::string GetEnv(const char* name, const std::string& fallback = {});

// A loaded shared library; unloaded on destruction. Used by one thread at a
// time.
class SharedLibrary {
public:
    SharedLibrary() = default;
    ~SharedLibrary();
    SharedLibrary(SharedLibrary&& other) noexcept;
    SharedLibrary& operator=(SharedLibrary&& other) noexcept;
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    // Loads "<folder>/<prefix><name><suffix>" (lib*.so, *.dll), resolving all
    // its symbols now and keeping them out of the global namespace. An empty
    // folder uses the platform's search path. Unloads what was loaded before.
    bool Load(const std::string& folder, const std::string& name);
    bool Loaded() const { return handle_ != nullptr; }
    // Address of an exported symbol, or nullptr (Error() then says why).
    void* Symbol(const char* name) const;
    // The loader's text for the last failed Load() or Symbol().
    std::string Error() const { return error_; }
    void Unload();

private:
    void* handle_ = nullptr;
    mutable std::string error_;  // Symbol() is const but reports failures too
};

// Folder of the shared library or program that contains address, ending with
// a separator; the program's folder when the address belongs to no module.
std::string ModuleFolderOf(const void* address);

}  // namespace platform
