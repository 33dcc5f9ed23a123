#pragma once
// The few synchronisation objects the serial port and the device jobs share: a manual-reset
// event that other threads can wait on, a wait for either of two events with a time-out, and
// the overlapped-I/O record that carries the caller's completion event.

#include <cstdint>
#include <memory>

namespace velmar {

// A time-out in milliseconds that never runs out.
inline constexpr std::uint32_t INFINITE = 0xFFFFFFFFu;

// Results of the waits: the first (or only) event, the second event, time-out, failure.
inline constexpr std::uint32_t WAIT_OBJECT_0 = 0;
inline constexpr std::uint32_t WAIT_TIMEOUT = 258;
inline constexpr std::uint32_t WAIT_FAILED = 0xFFFFFFFFu;

namespace detail {
struct EventState;
}

// A manual-reset event: once set it stays signalled, waking every waiter, until reset. The
// object is a handle: copies share one event, which lives as long as any copy. A
// default-constructed handle holds no event (like a null handle): setting it does nothing and
// waiting on it fails.
class ManualResetEvent {
  public:
    ManualResetEvent() = default;

    // A new event; holds no event when memory runs out.
    static ManualResetEvent create(bool signalled = false);

    explicit operator bool() const { return state_ != nullptr; }
    bool sameEvent(const ManualResetEvent& other) const { return state_ == other.state_; }

    void set() const;
    void reset() const;
    bool isSet() const;
    // WAIT_OBJECT_0 once signalled, WAIT_TIMEOUT after `timeoutMs` (INFINITE waits for ever),
    // WAIT_FAILED for a handle without an event.
    std::uint32_t wait(std::uint32_t timeoutMs) const;
    // Drops this handle's share of the event.
    void close() { state_.reset(); }

  private:
    friend std::uint32_t waitForEither(const ManualResetEvent&, const ManualResetEvent&,
                                       std::uint32_t);
    std::shared_ptr<detail::EventState> state_;
};

// Waits until `first` or `second` is signalled: WAIT_OBJECT_0 for the first, WAIT_OBJECT_0 + 1
// for the second (when both are signalled the first wins), WAIT_TIMEOUT when `timeoutMs` ran
// out, WAIT_FAILED when either handle holds no event.
std::uint32_t waitForEither(const ManualResetEvent& first, const ManualResetEvent& second,
                            std::uint32_t timeoutMs);

// The record of an overlapped operation: the event that the port signals when the operation
// completes. The port resets it when an operation starts.
struct Overlapped {
    ManualResetEvent event;
};

} // namespace velmar
