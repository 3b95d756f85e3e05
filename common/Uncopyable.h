// Base for objects that own something that must not be duplicated.
#pragma once

class CUncopyable {
protected:
    CUncopyable() = default;
    ~CUncopyable() = default;

public:
    CUncopyable(const CUncopyable&) = delete;
    CUncopyable& operator=(const CUncopyable&) = delete;
};
