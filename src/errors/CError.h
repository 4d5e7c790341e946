#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "errors/MessageBoxService.h"

// The common base of every error the system raises. Errors are thrown by value and caught as
// `const CError&`; their dynamic class tells the KWIP exchange how to treat them.
class CError {
public:
    virtual ~CError() = default;

    virtual std::int32_t GetCode() const = 0;
    // Copies the text with its NUL; returns the bytes copied, NUL included.
    virtual std::size_t CopyText(std::span<char> destination) const = 0;
    virtual const char* GetText() const = 0;
    // Shows the text in a modal box with an OK button; returns the button pressed.
    virtual MessageResult Show() const = 0;

protected:
    CError() = default;
    CError(const CError&) = default;
    CError& operator=(const CError&) = default;
};
