#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The text a reader works on and its read position. The text is borrowed: the caller keeps it alive
// and unchanged from Attach to Detach (or the module's end). Modules are never opened on named files.
class FileModule {
public:
    FileModule() = default;
    FileModule(const FileModule&) = delete;
    FileModule& operator=(const FileModule&) = delete;
    virtual ~FileModule() { Detach(); }

    // Attaches `text` up to its first zero byte (or its end), position 0; any previous text is detached.
    void AttachText(std::string_view text);
    // As AttachText, but first reserves the string's length + kStringSlack characters and keeps a
    // reference to the string until Detach. The string must not change while it is attached.
    void AttachString(std::string& text);
    // Drops the text: position 0, size 0.
    void Detach();

    bool IsAttached() const { return attached_; }
    std::size_t Size() const { return text_.size(); }
    // Character offset of the next record.
    std::size_t Position() const { return position_; }

    static constexpr std::size_t kStringSlack = 10;

protected:
    std::string_view Text() const { return text_; }
    void Rewind() { position_ = 0; }
    void SetPosition(std::size_t position) { position_ = position; }

private:
    std::string_view text_;
    std::size_t position_ = 0;
    bool attached_ = false;
    std::string* attachedString_ = nullptr;
};
