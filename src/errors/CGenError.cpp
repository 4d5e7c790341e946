#include "errors/CGenError.h"

namespace {

const char* DefaultText(std::int32_t code) {
    switch (code) {
        case 1:
            return "Unable to allocate timer object";
        case 2:
            return "Unable to allocate serial comm object";
        case 3:
            return "General operation error occured";
        default:
            return "No error message text was received";
    }
}

}  // namespace

CGenError::CGenError(std::int32_t code, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    Assign(code, DefaultText(code), format, args);
    va_end(args);
}

MessageResult CGenError::Show() const {
    return MessageBoxService::ShowMessage(GetText(), "", MessageIcon::Exclamation, MessageButtons::Ok);
}
