// Counting the reconnect tries after a resume. Portable.
#pragma once

#include <cstdint>

class CResumeTries {
public:
    // A new resume: count tries from ResumeTryCount.
    void Start(std::uint32_t tryCount) { m_left = tryCount; }

    // After a failed try: true when another try is due (one is counted
    // down), false when that was the last. A count of 0 or 1 still allows
    // the one try that has just failed.
    bool CountFailedTry()
    {
        if (m_left > 1) {
            --m_left;
            return true;
        }
        return false;
    }

    std::uint32_t Left() const { return m_left; }

private:
    std::uint32_t m_left = 1;
};
