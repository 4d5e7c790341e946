#include "cli/LaneState.h"

const char* LaneState::ResultName(Result result) {
    switch (result) {
        case Result::Running:
            return "running";
        case Result::Succeeded:
            return "success";
        case Result::Failed:
            return "FAILED";
        case Result::Cancelled:
            return "cancelled";
    }
    return "";
}
