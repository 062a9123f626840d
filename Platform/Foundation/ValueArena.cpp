#include "Platform/Foundation/ValueArena.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define VALUE_ARENA_POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define VALUE_ARENA_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#else
#define VALUE_ARENA_POISON(p, n) ((void)(p), (void)(n))
#define VALUE_ARENA_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace {

// Chunks are aligned to their size, so a block finds its chunk's count from
// its own address.
constexpr size_t kChunkSize = 64 * 1024;
// Larger blocks take their own allocation: a chunk should hold many.
constexpr size_t kLargestBlock = kChunkSize / 16;
// While the arena fills a chunk it does not count each block it hands out;
// the count starts this high and the arena settles it when it moves on, so
// blocks released meanwhile never bring it to zero.
constexpr uint32_t kFilling = 1u << 30;

struct alignas(16) ChunkHeader {
    std::atomic<uint32_t> live { kFilling };
};

ChunkHeader* chunkOf(const void* block)
{
    return reinterpret_cast<ChunkHeader*>(reinterpret_cast<uintptr_t>(block) & ~(uintptr_t(kChunkSize) - 1));
}

void freeChunk(ChunkHeader* chunk)
{
    VALUE_ARENA_UNPOISON(chunk, kChunkSize);
    chunk->~ChunkHeader();
    std::free(chunk);
}

// Drops `count` from the chunk's live blocks; the one that reaches zero frees it.
void dropFromChunk(ChunkHeader* chunk, uint32_t count)
{
    if (chunk->live.fetch_sub(count, std::memory_order_acq_rel) == count)
        freeChunk(chunk);
}

thread_local ValueArena* t_current = nullptr;

}  // namespace

ValueArena::ValueArena()
    : m_previous(t_current)
{
    t_current = this;
}

ValueArena::~ValueArena()
{
    retireChunk();
    t_current = m_previous;
}

ValueArena* ValueArena::current() { return t_current; }

void* ValueArena::allocate(size_t bytes)
{
    bytes = (bytes + 15) & ~size_t(15);
    if (bytes > kLargestBlock)
        return nullptr;
    if (static_cast<size_t>(m_end - m_next) < bytes) [[unlikely]] {
        retireChunk();
        void* memory = std::aligned_alloc(kChunkSize, kChunkSize);
        if (!memory)
            throw std::bad_alloc();
        m_chunk = static_cast<char*>(memory);
        new (m_chunk) ChunkHeader;
        m_next = m_chunk + sizeof(ChunkHeader);
        m_end = m_chunk + kChunkSize;
        VALUE_ARENA_POISON(m_next, static_cast<size_t>(m_end - m_next));
    }
    void* block = m_next;
    m_next += bytes;
    ++m_handed;
    VALUE_ARENA_UNPOISON(block, bytes);
    return block;
}

void ValueArena::release(void* block, size_t bytes)
{
    VALUE_ARENA_POISON(block, (bytes + 15) & ~size_t(15));
    dropFromChunk(chunkOf(block), 1);
}

void ValueArena::retireChunk()
{
    if (!m_chunk)
        return;
    // From here the count is the blocks still alive: those handed out less
    // those already released.
    dropFromChunk(reinterpret_cast<ChunkHeader*>(m_chunk), kFilling - m_handed);
    m_chunk = m_next = m_end = nullptr;
    m_handed = 0;
}
