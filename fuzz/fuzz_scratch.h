#pragma once
// A private scratch folder for fuzz targets whose code under test reads a
// file: one folder per process under $TAVRO_FUZZ_SCRATCH, else /dev/shm (no
// disk writes at thousands of inputs a second), else $TMPDIR. It is emptied
// after every input and removed at a normal exit; scripts/fuzz.sh points
// TAVRO_FUZZ_SCRATCH at a folder it removes, for runs that end by a crash.

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

class FuzzScratch {
public:
    FuzzScratch()
    {
        const char* base = std::getenv("TAVRO_FUZZ_SCRATCH");
        if (!base && access("/dev/shm", W_OK) == 0)
            base = "/dev/shm";
        if (!base)
            base = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp";
        std::string pattern = std::string(base) + "/tavro-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data())) {
            std::perror("mkdtemp");
            std::abort();
        }
        m_folder = pattern;
    }
    ~FuzzScratch()
    {
        clear();
        rmdir(m_folder.c_str());
    }
    FuzzScratch(const FuzzScratch&) = delete;
    FuzzScratch& operator=(const FuzzScratch&) = delete;

    const std::string& folder() const { return m_folder; }

    // Writes data to name in the folder and returns the full path.
    std::string write(const std::string& name, const uint8_t* data, size_t size) const
    {
        const std::string path = m_folder + "/" + name;
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        bool ok = fd >= 0;
        for (size_t done = 0; ok && done < size;) {
            const ssize_t n = ::write(fd, data + done, size - done);
            ok = n > 0;
            done += ok ? size_t(n) : 0;
        }
        if (fd < 0 || close(fd) != 0 || !ok) {
            std::perror(path.c_str());
            std::abort();
        }
        return path;
    }

    // The names in the folder, for checks that nothing was left behind.
    std::vector<std::string> names() const
    {
        std::vector<std::string> found;
        if (DIR* dir = opendir(m_folder.c_str())) {
            while (const dirent* entry = readdir(dir)) {
                const std::string name = entry->d_name;
                if (name != "." && name != "..")
                    found.push_back(name);
            }
            closedir(dir);
        }
        return found;
    }

    void clear() const
    {
        for (const std::string& name : names())
            unlink((m_folder + "/" + name).c_str());
    }

private:
    std::string m_folder;
};
