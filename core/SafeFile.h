#pragma once
// The one way Kestrel writes a file: into a temporary file beside the target,
// every write and the final flush checked, fsync, then a rename over the
// target. On any failure the temporary file is removed, the target stays
// byte-identical and the system's reason is kept for the caller to report.
//
// A target that exists and is no regular file (a character device such as
// /dev/null or /dev/full, a pipe) cannot be replaced; it is written directly,
// still with every write checked. A symbolic link is followed, so the file it
// names is replaced and the link stays.
//
// Free of Qt. Not thread-safe: one writer is used by one thread at a time.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class SafeFileWriter {
public:
    // Opens the temporary file for `target`; failed() tells whether that worked.
    explicit SafeFileWriter(std::string target);
    // Removes the temporary file unless it was committed.
    ~SafeFileWriter();
    SafeFileWriter(const SafeFileWriter&) = delete;
    SafeFileWriter& operator=(const SafeFileWriter&) = delete;

    // Appends `bytes`; false once any write failed (later writes do nothing).
    bool write(std::string_view bytes);
    // Hands what is buffered to the system; false when that failed.
    bool flush();
    // Flushes, syncs and renames over the target. False with error() set when
    // anything failed; the target is then as it was.
    bool commit();
    // As commit(), but the file takes a name that no file has yet: `name`
    // (in the target's folder; the target when empty), else that name with
    // "-2", "-3", ... before the extension. The name taken, or nothing with
    // error() set.
    std::optional<std::string> commitAsNew(const std::string& name = {});
    // Gives up: the temporary file is removed, the target stays as it was.
    void discard();

    bool failed() const { return !error_.empty(); }
    // "PATH: reason" of the first failure; empty while there was none.
    const std::string& error() const { return error_; }
    // The system's reason alone, for messages that name the file themselves.
    const std::string& reason() const { return reason_; }
    const std::string& target() const { return target_; }

private:
    bool fail(const std::string& path, int errorNumber);
    bool syncAndClose();

    std::string target_;
    std::string temporary_; // empty when the target is written directly
    std::string buffer_;
    std::string error_;
    std::string reason_;
    int fd_ = -1;
    bool done_ = false;
};

// The whole of `bytes` as the content of `path`, by SafeFileWriter. Empty on
// success, else "PATH: reason".
std::string WriteFileSafely(const std::string& path, std::string_view bytes);

// `path` with "-n" before its extension ("a/b.csv", 2 -> "a/b-2.csv"); n < 2 gives `path`.
std::string NumberedName(const std::string& path, int n);

// The temporary files that writers of dead processes left in `folder` for
// targets ending in `extension` are renamed to a visible name
// "<target stem>-incomplete<extension>" (numbered when taken). Returns the
// new names.
std::vector<std::string> RecoverAbandonedFiles(const std::string& folder,
                                               const std::string& extension);
