// SPDX-License-Identifier: MIT
#pragma once

// What the fuzz targets share: a private folder for the made-up machine they
// point the disk layer at, writing a file into it, and reporting a broken
// contract so that libFuzzer stops and keeps the input.

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

// A broken contract: says which, and aborts (libFuzzer then saves the input
// as a crash file).
[[noreturn]] inline void Fail(const std::string& what)
{
    std::fprintf(stderr, "\n==== contract broken: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

// A new folder under $TMPDIR, else /dev/shm (no disk writes), else /tmp;
// removed with the object, at exit.
class TFuzzFolder {
public:
    TFuzzFolder()
    {
        const char* base = std::getenv("TMPDIR");
        if (!base || !*base)
            base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
        std::string pattern = std::string(base) + "/idlescope-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("cannot create a folder from " + pattern);
        FPath = pattern;
    }
    ~TFuzzFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(FPath, ignored);
    }
    TFuzzFolder(const TFuzzFolder&) = delete;
    TFuzzFolder& operator=(const TFuzzFolder&) = delete;

    const std::string& path() const { return FPath; }

private:
    std::string FPath;
};

// Replaces the file's content with the bytes; aborts when it cannot (the
// target would otherwise check the layer against a file it never saw).
inline void WriteFile(const std::string& path, std::string_view bytes)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        Fail("cannot write " + path);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote <= 0) {
            close(fd);
            Fail("cannot write " + path);
        }
        done += static_cast<std::size_t>(wrote);
    }
    close(fd);
}
