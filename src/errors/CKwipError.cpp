#include "errors/CKwipError.h"

CKwipError::CKwipError(std::int32_t code, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    Assign(code, kNoErrorMessageText, format, args);
    va_end(args);
}

MessageResult CKwipError::Show() const {
    return MessageBoxService::ShowMessage(GetText(), "", MessageIcon::None, MessageButtons::Ok);
}
