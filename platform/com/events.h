// Events: a connection point through which an object calls the sinks that
// hosts have advised, synchronously and in the order of advising.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/com/dispatch.h"

// A host's event handler: the event's dispatch id and its arguments in
// declared order.
using EventSink = std::function<void(DISPID id, const std::vector<Variant>& args)>;

class CConnectionPoint {
public:
    // Returns the cookie (never 0) that Unadvise takes.
    uint32_t Advise(EventSink sink);
    // False when no sink has that cookie.
    bool Unadvise(uint32_t cookie);
    size_t Count() const { return m_sinks.size(); }

    // Calls every sink advised when the event starts. A sink may advise,
    // unadvise (itself or others) or re-enter the object; a sink removed
    // during the event is not called any more. An exception thrown by a
    // sink is the sink's failure, not the object's: it is dropped, as the
    // platform ignores what an event handler returns.
    void Fire(DISPID id, const std::vector<Variant>& args) const;

private:
    struct Entry {
        uint32_t cookie;
        std::shared_ptr<EventSink> sink;
    };
    std::vector<Entry> m_sinks;
    uint32_t m_nextCookie = 1;
};

// The event side of an object, as hosts see it.
class IEventSource : public virtual IUnknown {
public:
    virtual const InterfaceDesc& GetEventInfo() const = 0;
    virtual uint32_t Advise(EventSink sink) = 0;
    virtual bool Unadvise(uint32_t cookie) = 0;
};
