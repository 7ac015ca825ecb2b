#pragma once

#include <filesystem>
#include <string>

// A fresh directory below the system's temp directory, removed with its
// contents when the object goes away.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    // Writes (creating parent directories) and returns the file's path.
    std::wstring Write(const std::string& relative, const std::string& content) const;
    std::wstring Wide(const std::string& relative = std::string()) const;

private:
    std::filesystem::path m_path;
};

// Runs a scope with another working directory.
class WorkingDirectory {
public:
    explicit WorkingDirectory(const std::filesystem::path& directory);
    ~WorkingDirectory();
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;

private:
    std::filesystem::path m_previous;
};

// The demo data directory (PELLWORTH_TEST_DATA), empty when not set.
std::filesystem::path DemoDataRoot();
