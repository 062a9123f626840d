#pragma once

// While an arena is open on a thread, the arrays, dictionaries and long texts
// that thread makes take their room from large shared chunks instead of one
// allocation each. A decoder opens one for the length of a reply: its tree is
// made with a pointer bump per node, and freeing it returns whole chunks.
//
// The values made are ordinary values: they may be copied, changed, moved to
// other threads and outlive the arena. A chunk is returned once every block in
// it is released, so a small part of a tree kept long after the rest holds its
// chunk's room until it goes too.

#include <cstddef>

class ValueArena {
public:
    ValueArena();
    ~ValueArena();
    ValueArena(const ValueArena&) = delete;
    ValueArena& operator=(const ValueArena&) = delete;

    // The open arena of this thread, if any (the innermost one when nested).
    static ValueArena* current();

    // Room for a block of `bytes` from the current chunk, or nothing when the
    // block is too large to share a chunk.
    void* allocate(size_t bytes);
    // Gives back a block's room; the last block of a retired chunk frees it.
    static void release(void* block, size_t bytes);

private:
    ValueArena* m_previous;
    char* m_chunk = nullptr;
    char* m_next = nullptr;
    char* m_end = nullptr;
    unsigned m_handed = 0;  // blocks handed out of the current chunk

    void retireChunk();
};
