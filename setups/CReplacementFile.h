#pragma once

#include <string>

// Replaces a file in one step: the new content goes into a temporary file
// beside the target (same directory, so the final rename cannot cross file
// systems), which is flushed to disk and renamed over the target only when it
// is complete. Until then the old file stays as it was; a replacement that
// is not committed removes its temporary file.
class CReplacementFile {
public:
    CReplacementFile() = default;
    ~CReplacementFile();
    CReplacementFile(const CReplacementFile&) = delete;
    CReplacementFile& operator=(const CReplacementFile&) = delete;

    // True when something exists at path that is not a regular file (after
    // following symbolic links).
    static bool ExistsAsNonFile(const std::wstring& path);
    // True when path is a regular file that may be written: it has a write
    // permission bit at all and the process may write it. A file without any
    // write bit counts as read-only even for a privileged user.
    static bool IsWritableFile(const std::wstring& path);

    // Checks that the target may be replaced (an existing file must be
    // writable) and creates the temporary file, with the target's permissions
    // when it exists. False with the system's error number otherwise.
    bool Create(const std::wstring& target, int& systemError);
    // Where the new content is to be written.
    const std::wstring& TemporaryPath() const { return m_temporary; }
    // Flushes the temporary file to disk and renames it over the target.
    // False with the system's error number; the temporary is removed then.
    bool Commit(int& systemError);
    // Removes the temporary file (nothing when there is none).
    void Discard();

private:
    std::wstring m_target; // symbolic links resolved: the file that gets replaced
    std::wstring m_temporary;
    int m_fd = -1;
};
