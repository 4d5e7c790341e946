#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/UniqueFd.h"

// A folder held open by its descriptor. The files the programs write into it (records, logs, backups)
// are reached relative to that descriptor and never through a symbolic link, so a link planted in the
// folder cannot send a write elsewhere; an entry of the wrong kind (a link, a FIFO, a folder where a file
// is wanted, a file with further hard links) is refused. The folder's own path is the operator's choice
// (the kit folder, a --log folder) and may pass through links.
//
// Names are single path components. Every failure raises CGenError 3 with a text that names the entry.
class SafeFolder {
public:
    explicit SafeFolder(const std::filesystem::path& path);

    // The folder `path` as a private one (see Subfolder): its parent is opened as above, the last step
    // never through a link.
    static SafeFolder OpenPrivate(const std::filesystem::path& path);

    const std::filesystem::path& Path() const { return path_; }

    // The subfolder `name`, for its owner only (0700): made when missing, and this folder then synced so
    // that the new entry survives a power cut; an existing one of ours that others may enter is closed.
    SafeFolder Subfolder(const std::string& name) const;

    // The names of the regular files here, sorted.
    std::vector<std::string> FileNames() const;
    // The whole of the regular file `name`; one larger than `maxBytes` is refused.
    std::string ReadFile(const std::string& name, std::size_t maxBytes) const;

    // Writes `content` so that a power cut leaves either the old state or the whole new file: it goes to a
    // temporary file of an unpredictable name (made exclusively), is synced, renamed to `name`, and the
    // folder is synced. The file is for its owner only (0600). Without `replace` an existing `name` is left
    // alone and false returned.
    bool WriteDurably(const std::string& name, std::string_view content, bool replace) const;

    // Appends `text` to `name` in one write under an exclusive lock (flock), so that the records of
    // several processes never interleave, with `header` in front while the file is empty. A write that
    // fails (a full disk) leaves the file as it was. See OpenTruncated for the file's permissions.
    void AppendLocked(const std::string& name, std::string_view header, std::string_view text) const;

    // `name` opened for writing and emptied, for a log that keeps it open. Made when missing with no
    // permission for other users (the group's as the umask allows); an existing file of ours loses them.
    UniqueFd OpenTruncated(const std::string& name) const;

private:
    SafeFolder(std::filesystem::path path, UniqueFd fd) : path_(std::move(path)), fd_(std::move(fd)) {}

    // A new file of an unpredictable name for WriteDurably; its name goes to `temporary`.
    UniqueFd CreateTemporary(const std::string& name, std::string& temporary) const;
    UniqueFd OpenSharedFile(const std::string& name, int flags) const;
    std::filesystem::path PathOf(const std::string& name) const { return path_ / name; }

    std::filesystem::path path_;
    UniqueFd fd_;
};
