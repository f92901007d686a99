#include "app/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <string>

namespace korvi {

namespace {
constexpr std::size_t kBufferSize = 1 << 16;

// Unique within the process; O_EXCL settles races with other processes.
std::string TempSuffix() {
    static std::atomic<unsigned long> counter{0};
    return std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1)) + ".tmp";
}
}  // namespace

AtomicFile::AtomicFile(std::filesystem::path target) : m_target(std::move(target)) {}

AtomicFile::~AtomicFile() { Discard(); }

bool AtomicFile::Fail(std::string_view what, int err) {
    m_error = m_target.string() + ": " + std::string(what);
    if (err != 0) m_error += std::string(": ") + std::strerror(err);
    Discard();
    return false;
}

bool AtomicFile::Open() {
    Discard();
    m_error.clear();
    m_written = 0;
    std::filesystem::path folder = m_target.parent_path();
    if (folder.empty()) folder = ".";
    struct stat st {};
    const bool replacing = ::stat(m_target.c_str(), &st) == 0;
    // A new file is created 0666 and the kernel applies the umask, as for any other new file;
    // a replaced file keeps its mode.
    const std::string stem = "." + m_target.filename().string() + ".";
    for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
        std::filesystem::path temp = folder / (stem + TempSuffix());
        int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            m_fd = fd;
            m_temp = std::move(temp);
        } else if (errno != EEXIST) {
            return Fail("cannot create temporary file", errno);
        }
    }
    if (m_fd < 0) return Fail("cannot create temporary file", EEXIST);
    if (replacing && ::fchmod(m_fd, st.st_mode & 07777) != 0) {
        return Fail("cannot set file mode", errno);
    }
    m_buffer.reserve(kBufferSize);
    return true;
}

bool AtomicFile::Write(std::string_view data) {
    if (m_fd < 0) {
        if (m_error.empty()) m_error = m_target.string() + ": file is not open";
        return false;
    }
    if (m_buffer.size() + data.size() > kBufferSize && !Flush()) return false;
    if (data.size() >= kBufferSize) {
        m_buffer.append(data);
        return Flush();
    }
    m_buffer.append(data);
    return true;
}

bool AtomicFile::Flush() {
    const char* p = m_buffer.data();
    std::size_t left = m_buffer.size();
    while (left > 0) {
        std::size_t chunk = left;
        if (m_written >= m_failAfter) return Fail("write failed", ENOSPC);
        if (m_written + chunk > m_failAfter) chunk = m_failAfter - m_written;
        ssize_t n = ::write(m_fd, p, chunk);
        if (n < 0) {
            if (errno == EINTR) continue;
            return Fail("write failed", errno);
        }
        p += n;
        left -= static_cast<std::size_t>(n);
        m_written += static_cast<std::size_t>(n);
    }
    m_buffer.clear();
    return true;
}

bool AtomicFile::Commit() {
    if (m_fd < 0) {
        if (m_error.empty()) m_error = m_target.string() + ": file is not open";
        return false;
    }
    if (!Flush()) return false;
    if (m_sync && ::fsync(m_fd) != 0) return Fail("fsync failed", errno);
    int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) return Fail("close failed", errno);
    if (::rename(m_temp.c_str(), m_target.c_str()) != 0) return Fail("rename failed", errno);
    m_temp.clear();
    if (!m_sync) return true;
    // The rename is durable only once the folder entry is on disk.
    std::filesystem::path folder = m_target.parent_path();
    int dfd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        // A failed folder sync leaves the new file in place; only durability is weaker.
        (void)::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

void AtomicFile::Discard() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temp.empty()) {
        ::unlink(m_temp.c_str());
        m_temp.clear();
    }
    m_buffer.clear();
}

bool WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                         std::string& error) {
    AtomicFile file(target);
    if (!file.Open() || !file.Write(bytes) || !file.Commit()) {
        error = file.Error();
        return false;
    }
    return true;
}

}  // namespace korvi
