#include "BusMonitor.h"

#include <algorithm>

namespace {

class NoListener final : public RowListener {
public:
    void aboutToInsert(size_t, size_t) override {}
    void inserted() override {}
    void aboutToRemove(size_t, size_t) override {}
    void removed() override {}
    void changed(size_t, size_t) override {}
    void aboutToReset() override {}
    void reset() override {}
};

NoListener noListener;

uint32_t frameKey(const MonitorFrame& frame) {
    return frame.id << 2 | (frame.extended() ? 2u : 0u) | (frame.transmitted() ? 1u : 0u);
}

// Bit i: byte i of `now` differs from `before`, or only one of them has it.
uint8_t changedBytes(const MonitorFrame& before, const MonitorFrame& now) {
    uint8_t mask = 0;
    const size_t longer = std::max(before.len, now.len);
    for (size_t i = 0; i < longer && i < now.data.size(); ++i)
        if (i >= before.len || i >= now.len || before.data[i] != now.data[i])
            mask = static_cast<uint8_t>(mask | 1u << i);
    return mask;
}

double perSecond(uint64_t amount, Clock::Time span) {
    return static_cast<double>(amount) * 1e9 / static_cast<double>(span.count());
}

} // namespace

uint32_t FixedRow::key() const {
    return frameKey(last);
}

BusMonitor::BusMonitor(const Clock& clock, size_t capacity)
    : clock_(clock), ring_(capacity), chronologicalListener_(&noListener),
      fixedListener_(&noListener) {}

void BusMonitor::setListeners(RowListener* chronological, RowListener* fixed) {
    chronologicalListener_ = chronological ? chronological : &noListener;
    fixedListener_ = fixed ? fixed : &noListener;
}

void BusMonitor::append(std::span<const MonitorFrame> frames, uint64_t lostBefore) {
    const Clock::Time now = clock_.now();
    lostBefore_ += lostBefore;
    if (!frames.empty() && !startUs_)
        startUs_ = frames.front().timeUs;
    for (const MonitorFrame& frame : frames) {
        ring_.push(frame);
        count(frame, now);
    }
    followCapture();
    tick();
}

void BusMonitor::count(const MonitorFrame& frame, Clock::Time now) {
    ++totalFrames_;
    totalBits_ += worstCaseFrameBits(canFrame(frame));
    const uint32_t key = frameKey(frame);
    auto [it, fresh] = table_.try_emplace(key);
    Entry& entry = it->second;
    FixedRow& row = entry.row;
    if (!fresh) {
        const int64_t cycle = static_cast<int64_t>(frame.timeUs - row.last.timeUs);
        row.cycleUs = cycle;
        row.cycleMinUs = row.cycleMinUs < 0 ? cycle : std::min(row.cycleMinUs, cycle);
        row.cycleMaxUs = std::max(row.cycleMaxUs, cycle);
        // A byte stays highlighted for a moment after its change, also when
        // the frames after it bring no news.
        if (const uint8_t changed = changedBytes(row.last, frame)) {
            row.changed = changed;
            row.changedAt = now;
            row.lit = true;
        }
    }
    row.last = frame;
    ++row.count;
    if (!entry.touched) {
        entry.touched = true;
        touched_.push_back(key);
    }
}

void BusMonitor::followCapture() {
    dropGoneFrames();
    if (paused_)
        return;
    catchUpChronological();
    catchUpFixed();
}

void BusMonitor::dropGoneFrames() {
    const auto gone = std::lower_bound(chronological_.begin(), chronological_.end(), ring_.begin());
    const auto count = static_cast<size_t>(gone - chronological_.begin());
    if (count == 0)
        return;
    chronologicalListener_->aboutToRemove(0, count - 1);
    chronological_.erase(chronological_.begin(), gone);
    chronologicalListener_->removed();
}

void BusMonitor::catchUpChronological() {
    incoming_.clear();
    for (uint64_t seq = std::max(shownUntil_, ring_.begin()); seq < ring_.end(); ++seq)
        if (filter_.passes(ring_.at(seq)))
            incoming_.push_back(seq);
    shownUntil_ = ring_.end();
    if (incoming_.empty())
        return;
    const size_t first = chronological_.size();
    chronologicalListener_->aboutToInsert(first, first + incoming_.size() - 1);
    chronological_.insert(chronological_.end(), incoming_.begin(), incoming_.end());
    chronologicalListener_->inserted();
}

size_t BusMonitor::fixedPosition(uint32_t key) const {
    return static_cast<size_t>(std::lower_bound(fixedKeys_.begin(), fixedKeys_.end(), key) -
                               fixedKeys_.begin());
}

bool BusMonitor::isShownAt(size_t at, uint32_t key) const {
    return at < fixedKeys_.size() && fixedKeys_[at] == key;
}

void BusMonitor::insertOrRemoveFixed(const FixedRow& row) {
    const uint32_t key = row.key();
    const size_t at = fixedPosition(key);
    const bool shown = isShownAt(at, key);
    if (filter_.passes(row.last) == shown)
        return;
    const auto offset = static_cast<ptrdiff_t>(at);
    if (shown) {
        fixedListener_->aboutToRemove(at, at);
        fixed_.erase(fixed_.begin() + offset);
        fixedKeys_.erase(fixedKeys_.begin() + offset);
        fixedListener_->removed();
    } else {
        fixedListener_->aboutToInsert(at, at);
        fixed_.insert(fixed_.begin() + offset, row);
        fixedKeys_.insert(fixedKeys_.begin() + offset, key);
        fixedListener_->inserted();
    }
}

void BusMonitor::catchUpFixed() {
    // Rows come and go first, so that the positions of the changed rows hold
    // for the one change notice after.
    for (const uint32_t key : touched_)
        insertOrRemoveFixed(table_.at(key).row);
    size_t first = fixed_.size();
    size_t last = 0;
    for (const uint32_t key : touched_) {
        Entry& entry = table_.at(key);
        entry.touched = false;
        const size_t at = fixedPosition(key);
        if (!isShownAt(at, key))
            continue;
        fixed_[at] = entry.row;
        first = std::min(first, at);
        last = std::max(last, at);
    }
    touched_.clear();
    if (first <= last && first < fixed_.size())
        fixedListener_->changed(first, last);
}

void BusMonitor::tick() {
    const Clock::Time now = clock_.now();
    takeSample(now);
    size_t first = fixed_.size();
    size_t last = 0;
    for (size_t at = 0; at < fixed_.size(); ++at) {
        FixedRow& row = fixed_[at];
        if (!row.lit || now - row.changedAt < kHighlight)
            continue;
        row.lit = false;
        first = std::min(first, at);
        last = at;
    }
    if (first <= last && first < fixed_.size())
        fixedListener_->changed(first, last);
}

void BusMonitor::takeSample(Clock::Time now) {
    samples_.push_back({now, totalFrames_, totalBits_});
    while (samples_.size() > 2 && samples_[1].at <= now - kRateWindow)
        samples_.pop_front();
}

BusStatistics BusMonitor::statistics(uint32_t bitRate) const {
    BusStatistics stats;
    stats.captured = ring_.size();
    stats.droppedFromStart = ring_.dropped();
    stats.lostBeforeCapture = lostBefore_;
    if (samples_.size() < 2)
        return stats;
    const Sample& from = samples_.front();
    const Sample& to = samples_.back();
    if (to.at <= from.at)
        return stats;
    stats.framesPerSecond = perSecond(to.frames - from.frames, to.at - from.at);
    if (bitRate > 0)
        stats.busLoadPercent = perSecond(to.bits - from.bits, to.at - from.at) * 100.0 / bitRate;
    return stats;
}

const MonitorFrame& BusMonitor::chronologicalFrame(size_t row) const {
    return ring_.at(chronological_[row]);
}

void BusMonitor::setPaused(bool paused) {
    paused_ = paused;
    followCapture();
}

void BusMonitor::setFilter(MonitorFilter filter) {
    filter_ = std::move(filter);
    rebuildViews();
}

void BusMonitor::clear() {
    ring_.clear();
    table_.clear();
    touched_.clear();
    lostBefore_ = 0;
    startUs_.reset();
    rebuildViews();
}

void BusMonitor::setCapacity(size_t capacity) {
    ring_.setCapacity(capacity);
    dropGoneFrames();
}

// The chronological view shows what it showed before (up to where a pause
// held it) through the new filter; the fixed view the table as it is now.
void BusMonitor::rebuildViews() {
    chronologicalListener_->aboutToReset();
    fixedListener_->aboutToReset();
    chronological_.clear();
    for (uint64_t seq = ring_.begin(); seq < std::min(shownUntil_, ring_.end()); ++seq)
        if (filter_.passes(ring_.at(seq)))
            chronological_.push_back(seq);
    fixed_.clear();
    touched_.clear();
    for (auto& [key, entry] : table_) {
        entry.touched = false;
        if (filter_.passes(entry.row.last))
            fixed_.push_back(entry.row);
    }
    std::sort(fixed_.begin(), fixed_.end(),
              [](const FixedRow& a, const FixedRow& b) { return a.key() < b.key(); });
    fixedKeys_.clear();
    for (const FixedRow& row : fixed_)
        fixedKeys_.push_back(row.key());
    chronologicalListener_->reset();
    fixedListener_->reset();
}
