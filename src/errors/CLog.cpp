#include "errors/CLog.h"

void CLog::Start() {
    enabled_ = true;
    WriteLine("Start Logging");
}
