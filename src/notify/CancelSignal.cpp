#include "notify/CancelSignal.h"

CancelSignal& CancelSignal::Global() {
    static CancelSignal signal;
    return signal;
}
