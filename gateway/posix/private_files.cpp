#include "gateway/system/private_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace velko::gateway {

namespace {

constexpr mode_t kFolderMode = 0750;
constexpr mode_t kFileMode = 0640;

[[noreturn]] void cannotCreate(const std::filesystem::path& path) {
    throw std::system_error(errno, std::system_category(), "cannot create " + path.string());
}

void createFolders(const std::filesystem::path& folder) {
    if (folder.empty() || std::filesystem::exists(folder)) return;
    createFolders(folder.parent_path());
    if (::mkdir(folder.c_str(), kFolderMode) != 0) {
        if (errno == EEXIST) return;
        cannotCreate(folder);
    }
    // The umask took its part of the mode given to mkdir.
    if (::chmod(folder.c_str(), kFolderMode) != 0) cannotCreate(folder);
}

}  // namespace

void createPrivateFile(const std::string& path) {
    const std::filesystem::path file(path);
    createFolders(file.parent_path());
    const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kFileMode);
    if (descriptor < 0) {
        if (errno == EEXIST) return;
        cannotCreate(file);
    }
    const int changed = ::fchmod(descriptor, kFileMode);
    ::close(descriptor);
    if (changed != 0) cannotCreate(file);
}

}  // namespace velko::gateway
