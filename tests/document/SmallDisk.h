// A small tmpfs mounted on a temporary folder: a disk that fills up, for
// tests of what happens when the scratch folder has no room. Needs the right
// to mount (root); tests skip without it.
#pragma once

#include <sys/mount.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace hx::test {

class SmallDisk {
public:
    explicit SmallDisk(int64_t bytes) {
        const char *dir = std::getenv("TMPDIR");
        std::string pattern = std::string(dir && *dir ? dir : "/tmp") + "/hexaloom-disk-XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        if (!::mkdtemp(name.data())) return;
        path_ = name.data();
        const std::string options = "size=" + std::to_string(bytes);
        mounted_ = ::mount("tmpfs", path_.c_str(), "tmpfs", 0, options.c_str()) == 0;
    }
    ~SmallDisk() {
        if (mounted_) ::umount2(path_.c_str(), MNT_DETACH);
        if (!path_.empty()) ::rmdir(path_.c_str());
    }
    SmallDisk(const SmallDisk &) = delete;
    SmallDisk &operator=(const SmallDisk &) = delete;
    bool mounted() const { return mounted_; }
    const std::string &path() const { return path_; }

private:
    std::string path_;
    bool mounted_ = false;
};

}  // namespace hx::test
