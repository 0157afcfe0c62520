// The connection point of an object's events.
#include "platform/com/events.h"

#include <algorithm>

uint32_t CConnectionPoint::Advise(EventSink sink)
{
    const uint32_t cookie = m_nextCookie++;
    if (m_nextCookie == 0)
        m_nextCookie = 1;
    m_sinks.push_back({cookie, std::make_shared<EventSink>(std::move(sink))});
    return cookie;
}

bool CConnectionPoint::Unadvise(uint32_t cookie)
{
    const auto it = std::find_if(m_sinks.begin(), m_sinks.end(), [&](const Entry& e) { return e.cookie == cookie; });
    if (it == m_sinks.end())
        return false;
    m_sinks.erase(it);
    return true;
}

void CConnectionPoint::Fire(DISPID id, const std::vector<Variant>& args) const
{
    // A snapshot: sinks may change the list while they run.
    const std::vector<Entry> snapshot = m_sinks;
    for (const auto& entry : snapshot) {
        const bool stillAdvised = std::any_of(m_sinks.begin(), m_sinks.end(),
                                              [&](const Entry& e) { return e.cookie == entry.cookie; });
        if (!stillAdvised || !*entry.sink)
            continue;
        try {
            (*entry.sink)(id, args);
        } catch (...) {
        }
    }
}
