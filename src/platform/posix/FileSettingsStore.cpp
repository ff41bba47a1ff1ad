#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/Files.h"
#include "platform/KnownFolders.h"
#include "platform/SettingsTree.h"
#include "platform/UserSettingsStore.h"
#include "platform/posix/UniqueFd.h"

namespace platform {

namespace {

using posix::UniqueFd;

// What identifies one version of the file: a rewrite always makes a new inode.
struct FileIdentity {
    bool known = false;
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};

    static FileIdentity of(const struct stat& st) {
        FileIdentity id;
        id.known = id.exists = true;
        id.device = st.st_dev;
        id.inode = st.st_ino;
        id.size = st.st_size;
        id.modified = st.st_mtim;
        return id;
    }
    bool operator==(const FileIdentity& o) const {
        return known == o.known && exists == o.exists && device == o.device && inode == o.inode &&
               size == o.size && modified.tv_sec == o.modified.tv_sec &&
               modified.tv_nsec == o.modified.tv_nsec;
    }
};

bool writeAll(int fd, const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

std::optional<std::string> readAll(int fd) {
    std::string data;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        if (n == 0) return data;
        data.append(buffer, static_cast<size_t>(n));
    }
}

class FileSettingsStore : public TreeSettingsStore {
public:
    explicit FileSettingsStore(std::string path) : path_(std::move(path)) {
        const size_t slash = path_.rfind('/');
        folder_ = slash == std::string::npos ? "." : slash == 0 ? "/" : path_.substr(0, slash);
        baseName_ = slash == std::string::npos ? path_ : path_.substr(slash + 1);
    }
    ~FileSettingsStore() override { unlock(); }

protected:
    bool available() const override { return !path_.empty(); }

    void refresh() override { reloadIfChanged(); }

    void beginChanges() override {
        lock();
        reloadIfChanged();
    }

    bool endChanges(bool dirty) override {
        bool ok = true;
        if (dirty) {
            ok = lockFd_ && writeFile();
            // What could not be written is not kept: the next read takes the file as it is.
            if (!ok) loaded_ = FileIdentity{};
        }
        unlock();
        return ok;
    }

private:
    void lock() {
        if (lockFd_ || !createFolderTree(folder_)) return;
        const std::string lockPath = folder_ + "/" + baseName_ + ".lock";
        UniqueFd fd(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
        if (!fd) return;
        while (::flock(fd.get(), LOCK_EX) != 0) {
            if (errno != EINTR) return;
        }
        lockFd_ = std::move(fd);
    }

    void unlock() { lockFd_.reset(); }  // closing releases the lock

    void reloadIfChanged() {
        struct stat st {};
        FileIdentity now;
        now.known = true;
        if (::stat(path_.c_str(), &st) == 0) now = FileIdentity::of(st);
        if (now == loaded_) return;
        tree() = SettingsTree();
        corrupt_ = false;
        loaded_ = now;
        if (!now.exists) return;
        UniqueFd fd(::open(path_.c_str(), O_RDONLY | O_CLOEXEC));
        if (!fd) return;  // unreadable: an empty store
        struct stat opened {};
        const bool statted = ::fstat(fd.get(), &opened) == 0;
        const auto data = readAll(fd.get());
        fd.reset();
        if (statted) loaded_ = FileIdentity::of(opened);
        if (!data) return;
        if (auto parsed = SettingsTree::parse(*data)) {
            tree() = std::move(*parsed);
        } else {
            corrupt_ = true;
        }
    }

    // Temporary files left by writers that died; only called while holding the lock.
    void removeStaleTemporaries() {
        const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder_.c_str()), ::closedir);
        if (!dir) return;
        const std::string prefix = "." + baseName_ + ".";
        while (const dirent* entry = ::readdir(dir.get())) {
            const std::string name = entry->d_name;
            if (name.size() == prefix.size() + 6 && name.starts_with(prefix))
                ::unlink((folder_ + "/" + name).c_str());
        }
    }

    bool writeFile() {
        removeStaleTemporaries();
        if (corrupt_) {
            // Keep the damaged file for inspection rather than overwrite it silently.
            ::rename(path_.c_str(), (path_ + ".corrupt").c_str());
            corrupt_ = false;
        }
        const std::string data = tree().serialize();
        std::string temp = folder_ + "/." + baseName_ + ".XXXXXX";
        UniqueFd fd(::mkostemp(temp.data(), O_CLOEXEC));
        if (!fd) return false;
        struct stat st {};
        const bool written = ::fchmod(fd.get(), 0600) == 0 && writeAll(fd.get(), data) &&
                             ::fsync(fd.get()) == 0 && ::fstat(fd.get(), &st) == 0;
        const bool closed = ::close(fd.release()) == 0;  // a failed close may mean lost data
        if (!written || !closed || ::rename(temp.c_str(), path_.c_str()) != 0) {
            ::unlink(temp.c_str());
            return false;
        }
        // The rename itself must reach the disk too.
        if (UniqueFd dir(::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)); dir)
            ::fsync(dir.get());
        loaded_ = FileIdentity::of(st);
        return true;
    }

    std::string path_;
    std::string folder_;
    std::string baseName_;
    FileIdentity loaded_;
    bool corrupt_ = false;
    UniqueFd lockFd_;
};

}  // namespace

std::string userSettingsFilePath() {
    std::string config;
    // Relative values are to be ignored.
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') {
        config = xdg;
    } else {
        const std::string home = homeFolder();
        if (home.empty()) return {};
        config = home + "/.config";
    }
    while (config.size() > 1 && config.back() == '/') config.pop_back();
    return config + (config == "/" ? "" : "/") + "melodrift/settings.conf";
}

std::unique_ptr<SettingsStore> openFileSettingsStore(const std::string& filePath) {
    return std::make_unique<FileSettingsStore>(filePath);
}

std::unique_ptr<SettingsStore> openUserSettingsStore() {
    return openFileSettingsStore(userSettingsFilePath());
}

}  // namespace platform
