#include "errors/WireTrace.h"

namespace {
WireTrace* installedTrace = nullptr;
}

void WireTrace::Install(WireTrace* trace) {
    installedTrace = trace;
}

WireTrace* WireTrace::Installed() {
    return installedTrace;
}
