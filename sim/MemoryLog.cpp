#include "MemoryLog.h"

#include "errors/StringTable.h"

bool MemoryLog::Clear() {
    lines_->clear();
    return true;
}

void MemoryLog::WriteResource(unsigned id) {
    if (const auto text = StringTable::Find(id); text && IsEnabled())
        lines_->emplace_back(*text);
}

void MemoryLog::WriteLine(const char* text) {
    if (IsEnabled())
        lines_->emplace_back(text != nullptr ? text : "");
}
