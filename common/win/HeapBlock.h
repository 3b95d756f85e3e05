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
