#include "files/FileModule.h"

#include <algorithm>

void FileModule::AttachText(std::string_view text) {
    Detach();
    text_ = text.substr(0, std::min(text.size(), text.find('\0')));
    attached_ = true;
}

void FileModule::AttachString(std::string& text) {
    Detach();
    text.reserve(text.size() + kStringSlack);
    AttachText(text);
    attachedString_ = &text;
}

void FileModule::Detach() {
    // The string keeps its reserve: giving it back could move the characters under a view the caller
    // still holds (re-attaching the same string, for one).
    attachedString_ = nullptr;
    text_ = {};
    position_ = 0;
    attached_ = false;
}
