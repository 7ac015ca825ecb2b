#pragma once

#include "descriptions/XercesSession.h"
#include "descriptions/XmlText.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <unistd.h>

// The parser library is brought up once for the whole test program.
struct XercesEnvironment : ::testing::Environment {
    void SetUp() override {
        session = std::make_unique<CXercesSession>();
        ASSERT_TRUE(session->IsReady());
    }
    void TearDown() override { session.reset(); }
    std::unique_ptr<CXercesSession> session;
};
inline ::testing::Environment* const kXercesEnvironment =
    ::testing::AddGlobalTestEnvironment(new XercesEnvironment);

// A fresh directory below the system's temp directory, removed with its contents.
struct TempDir {
    TempDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "pellworth-desc-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot create a temp directory");
        }
        path = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // Writes (creating parent directories) and returns the file's path.
    std::wstring Write(const std::string& relative, const std::string& content) const {
        std::filesystem::create_directories((path / relative).parent_path());
        std::ofstream(path / relative, std::ios::binary) << content;
        return Wide(relative);
    }
    std::wstring Wide(const std::string& relative = std::string()) const {
        return Utf8ToWide((relative.empty() ? path : path / relative).string());
    }

    std::filesystem::path path;
};

// Runs a scope with another working directory.
struct WorkingDirectory {
    explicit WorkingDirectory(const std::filesystem::path& directory) {
        std::filesystem::current_path(directory);
    }
    ~WorkingDirectory() { std::filesystem::current_path(previous); }
    std::filesystem::path previous = std::filesystem::current_path();
};
