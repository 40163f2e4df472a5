// Test helpers: a fresh folder removed afterwards, and a registry store file
// inside it for the duration of a test, so no test touches the user's store.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/registry.h"

namespace platform::testing {

class TempDir {
  public:
    TempDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "vantu-test-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

    std::string write(const std::string& name, const std::string& content) const {
        std::ofstream out(file(name), std::ios::binary);
        out << content;
        return file(name);
    }
    std::string read(const std::string& name) const {
        std::ifstream in(file(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

  private:
    std::string path_;
};

// Points VANTU_REGISTRY_FILE at a file in a fresh folder while it lives.
class ScopedRegistryStore {
  public:
    ScopedRegistryStore() : path_(dir_.file("registry.txt")) {
        if (const char* old = ::getenv("VANTU_REGISTRY_FILE")) {
            hadOld_ = true;
            old_ = old;
        }
        ::setenv("VANTU_REGISTRY_FILE", path_.c_str(), 1);
    }
    ~ScopedRegistryStore() {
        if (hadOld_) {
            ::setenv("VANTU_REGISTRY_FILE", old_.c_str(), 1);
        } else {
            ::unsetenv("VANTU_REGISTRY_FILE");
        }
    }
    ScopedRegistryStore(const ScopedRegistryStore&) = delete;
    ScopedRegistryStore& operator=(const ScopedRegistryStore&) = delete;

    const std::string& path() const { return path_; }
    const TempDir& dir() const { return dir_; }

  private:
    TempDir dir_;
    std::string path_;
    bool hadOld_ = false;
    std::string old_;
};

// The program's own key, created for writing or opened for reading.
inline RegistryKey programKey() {
    return RegistryKey::create(Hive::LocalMachine, kOptionsKeyPath);
}
inline RegistryKey openProgramKey() {
    return RegistryKey::open(Hive::LocalMachine, kOptionsKeyPath);
}

}  // namespace platform::testing
