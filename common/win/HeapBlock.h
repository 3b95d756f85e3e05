#pragma once
// A zero-filled block from the process heap that is wiped before it goes back,
// for buffers that hold key material or parts of it.

#include <windows.h>

#include <stddef.h>

#include "common/Uncopyable.h"

class CHeapBlock : private CUncopyable {
public:
    // Get() is null when the allocation failed; GetLastError() then says why.
    explicit CHeapBlock(size_t size);
    ~CHeapBlock();

    void* Get() const { return _pBlock; }
    // Gives the block to the caller, who then wipes and frees it.
    void* Release();
    // Wipes and frees the block now.
    void Reset();

    // Wipes and frees a block that was released earlier; null is ignored.
    static void WipeAndFree(void* block, size_t size);

private:
    void* _pBlock;
    size_t _size;
};

// Takes over a block that came from the process heap (size bytes) and wipes
// and frees it when it goes out of scope.
class CAdoptedHeapBlock : private CUncopyable {
public:
    CAdoptedHeapBlock(void* block, size_t size) : _pBlock(block), _size(size) {}
    ~CAdoptedHeapBlock() { CHeapBlock::WipeAndFree(_pBlock, _size); }

    void* Get() const { return _pBlock; }

private:
    void* _pBlock;
    size_t _size;
};

// A zero-filled text buffer from the process heap, freed when it goes;
// nothing is held until Allocate succeeds. Plain text, not wiped.
class CHeapText : private CUncopyable {
public:
    CHeapText() = default;
    ~CHeapText() { Free(); }

    // Frees what is held and takes chars zero-filled characters; false (and
    // nothing held) when the heap has no room. GetLastError() is untouched.
    bool Allocate(size_t chars)
    {
        Free();
        _text = static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, chars * sizeof(wchar_t)));
        return _text != nullptr;
    }
    void Free()
    {
        if (_text != nullptr)
            HeapFree(GetProcessHeap(), 0, _text);
        _text = nullptr;
    }
    wchar_t* Get() const { return _text; }
    operator wchar_t*() const { return _text; }

private:
    wchar_t* _text = nullptr;
};
