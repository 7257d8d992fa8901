#include "threads/VolWaitingPoint.h"

#include "threads/VolThreadTrace.h"
#include "threads/os/VolOs.h"

#include <new>

namespace {
bool g_firstConstruction = true;

enum Mode : unsigned { kCreatedSignalled = 0x01, kPulse = 0x02 };
}  // namespace

struct VolWaitingPoint::Record {
    volos::Event* event;
    unsigned mode;
};

VolWaitingPoint::VolWaitingPoint(int pulse, int unsignalled) : record_(nullptr) {
    if (g_firstConstruction) {
        g_firstConstruction = false;
        InitThreadTrace();
    }
    Record* record = new (std::nothrow) Record;
    if (!record) return;
    record->event = volos::EventCreate(unsignalled == 0);
    if (!record->event) {
        delete record;
        return;
    }
    record->mode = (unsignalled == 0 ? kCreatedSignalled : 0u) | (pulse ? kPulse : 0u);
    record_ = record;
    TraceIfEnabled("evt=crewp| wp=0x" VOL_TRACE_ADDR " | dat=0x" VOL_TRACE_ADDR " \n", VOL_TRACE_PTR(this),
                   VOL_TRACE_PTR(record_));
}

VolWaitingPoint::~VolWaitingPoint() {
    if (!record_) return;
    volos::EventDestroy(record_->event);
    TraceIfEnabled("evt=delwp | wp=0x" VOL_TRACE_ADDR " | dat=0x" VOL_TRACE_ADDR " \n", VOL_TRACE_PTR(this),
                   VOL_TRACE_PTR(record_));
    delete record_;
    record_ = nullptr;
}

int VolWaitingPoint::Wait(int milliseconds) {
    if (!record_) return -1;
    const volos::WaitResult result = volos::EventWait(record_->event, milliseconds < 0 ? -1 : milliseconds);
    if (milliseconds < 0) return 0;
    return result == volos::WaitResult::TimedOut ? -1 : 0;
}

void VolWaitingPoint::Broadcast() {
    if (!record_) return;
    TraceIfEnabled("evt=bcast | wp=0x" VOL_TRACE_ADDR " \n", VOL_TRACE_PTR(this));
    if (record_->mode & kPulse) {
        volos::EventPulse(record_->event);
    } else {
        volos::EventSet(record_->event);
    }
}

void VolWaitingPoint::Reset() {
    if (!record_) return;
    TraceIfEnabled("evt=reset | wp=0x" VOL_TRACE_ADDR " \n", VOL_TRACE_PTR(this));
    volos::EventReset(record_->event);
}
