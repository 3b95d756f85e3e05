#include "common/win/HeapBlock.h"

#include "common/SecureWipe.h"

CHeapBlock::CHeapBlock(size_t size) : _pBlock(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size)), _size(size)
{
    // HeapAlloc reports nothing through GetLastError without
    // HEAP_GENERATE_EXCEPTIONS.
    if (_pBlock == nullptr)
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
}

CHeapBlock::~CHeapBlock()
{
    Reset();
}

void* CHeapBlock::Release()
{
    void* block = _pBlock;
    _pBlock = nullptr;
    return block;
}

void CHeapBlock::Reset()
{
    WipeAndFree(_pBlock, _size);
    _pBlock = nullptr;
}

void CHeapBlock::WipeAndFree(void* block, size_t size)
{
    if (block == nullptr)
        return;
    // Blocks are freed on failure paths too, after the failing call's error
    // was set for the caller; freeing must not replace it.
    const DWORD error = GetLastError();
    SecureWipe(block, size);
    HeapFree(GetProcessHeap(), 0, block);
    SetLastError(error);
}
