#pragma once

#include <ostream>
#include <string>

#include "errors/CCommError.h"
#include "errors/CGenError.h"
#include "errors/CKwipError.h"

// What an action raised, as class, code and text, so a test states the whole error in one comparison:
//
//     EXPECT_EQ(RaisedBy([&] { port.Read(buffer, 100); }), CommError(2, "..."));
struct RaisedError {
    std::string kind;  // "CGenError", "CCommError", "CKwipError", or empty when nothing was raised
    int code = 0;
    std::string text;

    bool operator==(const RaisedError&) const = default;
};

inline RaisedError GenError(int code, std::string text) {
    return {"CGenError", code, std::move(text)};
}
inline RaisedError CommError(int code, std::string text) {
    return {"CCommError", code, std::move(text)};
}
inline RaisedError KwipError(int code, std::string text) {
    return {"CKwipError", code, std::move(text)};
}
inline const RaisedError kNothingRaised{};

template <typename Action>
RaisedError RaisedBy(Action&& action) {
    try {
        action();
    } catch (const CGenError& error) {
        return GenError(error.GetCode(), error.GetText());
    } catch (const CCommError& error) {
        return CommError(error.GetCode(), error.GetText());
    } catch (const CKwipError& error) {
        return KwipError(error.GetCode(), error.GetText());
    }
    return kNothingRaised;
}

inline std::ostream& operator<<(std::ostream& out, const RaisedError& error) {
    if (error.kind.empty())
        return out << "nothing raised";
    return out << error.kind << " " << error.code << " \"" << error.text << "\"";
}
