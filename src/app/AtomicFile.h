// Every file we write goes through here: a temporary file in the target's folder, written,
// flushed, synced, closed and renamed over the target. On any failure the temporary file is
// removed and the old target stays byte-identical.
#pragma once

#include <cstddef>
#include <filesystem>
#include <limits>
#include <string>
#include <string_view>

namespace korvi {

class ByteSink {
public:
    virtual ~ByteSink() = default;
    [[nodiscard]] virtual bool Write(std::string_view data) = 0;
};

class AtomicFile final : public ByteSink {
public:
    explicit AtomicFile(std::filesystem::path target);
    ~AtomicFile() override;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    [[nodiscard]] bool Open();
    [[nodiscard]] bool Write(std::string_view data) override;
    [[nodiscard]] bool Commit();
    void Discard();

    // Why the last call failed, naming the file.
    const std::string& Error() const { return m_error; }
    const std::filesystem::path& Target() const { return m_target; }

    // Test seam: writes beyond this many bytes fail as a full disk would.
    void FailAfterBytes(std::size_t bytes) { m_failAfter = bytes; }

    // Leaves out the fsync of the file and its folder. Only for a batch of NEW files that the
    // caller makes durable afterwards with one syncfs: a sync per file would cost the batch
    // most of its time, and the rename still never shows a half-written file.
    void SkipSync() { m_sync = false; }

private:
    bool Flush();
    bool Fail(std::string_view what, int err);

    std::filesystem::path m_target;
    std::filesystem::path m_temp;
    int m_fd = -1;
    std::string m_buffer;
    std::size_t m_written = 0;
    std::size_t m_failAfter = std::numeric_limits<std::size_t>::max();
    bool m_sync = true;
    std::string m_error;
};

// Whole-buffer convenience; error names the file on failure.
[[nodiscard]] bool WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                                       std::string& error);

}  // namespace korvi
