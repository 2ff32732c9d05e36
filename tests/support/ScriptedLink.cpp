#include "ScriptedLink.h"

#include <algorithm>
#include <cstring>

namespace {
uint8_t sum(const Bytes& bytes) {
    unsigned s = 0;
    for (uint8_t b : bytes) s += b;
    return static_cast<uint8_t>(s);
}
}  // namespace

Bytes frame8(uint8_t command, const Bytes& data) {
    Bytes f{command, static_cast<uint8_t>(data.size() & 0xFF)};
    f.insert(f.end(), data.begin(), data.end());
    f.push_back(sum(f));
    return f;
}

Bytes frame16(uint8_t command, const Bytes& data) {
    Bytes f{command, static_cast<uint8_t>(data.size() >> 8), static_cast<uint8_t>(data.size() & 0xFF)};
    f.insert(f.end(), data.begin(), data.end());
    f.push_back(sum(f));
    return f;
}

ScriptedLink::ScriptedLink(bool framed, FakeClock* clock, uint64_t silenceMs)
    : framed_(framed), clock_(clock), silenceMs_(silenceMs) {}

void ScriptedLink::queue(const Bytes& bytes) { events_.push_back({Kind::Data, bytes}); }
void ScriptedLink::queueStale(const Bytes& bytes) { events_.push_back({Kind::Stale, bytes}); }
void ScriptedLink::queueSilence() { events_.push_back({Kind::Silence, {}}); }
void ScriptedLink::queueReadError(int32_t status) {
    events_.push_back({Kind::Error, {}, status});
}
void ScriptedLink::failNextWrite(int32_t status) { nextWriteStatus_ = status; }
void ScriptedLink::shortenNextWrite(size_t count) { nextWriteCount_ = count; }

int32_t ScriptedLink::write(const uint8_t* data, size_t length, size_t* written) {
    *written = 0;
    if (nextWriteStatus_ != 0) {
        const int32_t status = nextWriteStatus_;
        nextWriteStatus_ = 0;
        return status;
    }
    const size_t count = std::min(length, nextWriteCount_);
    nextWriteCount_ = SIZE_MAX;
    writes_.emplace_back(data, data + count);
    *written = count;
    if (onWrite) onWrite(writes_.back(), *this);
    return 0;
}

int32_t ScriptedLink::read(uint8_t* buffer, size_t capacity, size_t* got) {
    ++reads_;
    *got = 0;
    if (clock_) clock_->advance(readDelayMs);
    if (events_.empty() || events_.front().kind == Kind::Silence) {
        if (!events_.empty()) events_.pop_front();
        if (clock_) clock_->advance(silenceMs_);
        return 0;
    }
    Event& event = events_.front();
    if (event.kind == Kind::Error) {
        const int32_t status = event.status;
        events_.pop_front();
        return status;
    }
    if (framed_) {
        const size_t n = std::min(capacity, event.bytes.size());
        if (n != 0) std::memcpy(buffer, event.bytes.data(), n);
        *got = n;
        events_.pop_front();
        return 0;
    }
    const size_t n = std::min({capacity, event.bytes.size(), maxChunk});
    if (n != 0) std::memcpy(buffer, event.bytes.data(), n);
    event.bytes.erase(event.bytes.begin(), event.bytes.begin() + static_cast<long>(n));
    if (event.bytes.empty()) events_.pop_front();
    *got = n;
    return 0;
}

void ScriptedLink::purgeReceive() {
    ++purges_;
    events_.erase(std::remove_if(events_.begin(), events_.end(),
                                 [](const Event& e) { return e.kind == Kind::Stale; }),
                  events_.end());
}
