#pragma once
// Page access: the file (pread) or a memory buffer, read in small chunks through a bounded LRU
// cache. Pages come back decoded (header mask on page 0, RC4 page encoding when the database
// key is set).
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "jet/bytes.h"
#include "jet/result.h"

namespace jet::detail {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual uint64_t size() const = 0;
    // Reads exactly out.size() bytes at offset; false on I/O failure.
    virtual bool readAt(uint64_t offset, std::span<std::byte> out) = 0;
};

Result<std::unique_ptr<ByteSource>> openFileSource(const std::string& path);
std::unique_ptr<ByteSource> makeBufferSource(std::vector<std::byte> bytes);

// A page kept alive while someone holds it, even after the cache dropped it.
struct PageRef {
    std::shared_ptr<const void> holder;
    ByteSpan bytes;
    uint32_t number = 0;
    explicit operator bool() const { return !bytes.empty(); }
};

class PageStore {
public:
    PageStore(std::unique_ptr<ByteSource> src, uint32_t pageSize, size_t cachePages);

    uint32_t pageSize() const { return pageSize_; }
    uint32_t pageCount() const { return pageCount_; }
    uint64_t fileSize() const { return src_->size(); }

    // Page 0 header mask (applied to page 0 as read).
    void setHeaderMask(size_t start, size_t length);
    // RC4 page encoding key (database key at 0x3E); 0 = none.
    void setPageKey(uint32_t key);

    Result<PageRef> page(uint32_t n);

private:
    struct Chunk {
        std::shared_ptr<std::byte[]> data;
        uint32_t first = 0;
        uint32_t count = 0;
        std::list<uint32_t>::iterator lru;
    };
    Result<Chunk*> load(uint32_t chunkIndex);
    void decode(std::byte* page, uint32_t number);

    std::unique_ptr<ByteSource> src_;
    uint32_t pageSize_;
    uint32_t pageCount_;
    uint32_t chunkPages_;
    size_t maxChunks_;
    std::unordered_map<uint32_t, Chunk> chunks_;
    std::list<uint32_t> lru_;  // front = most recent
    size_t maskStart_ = 0, maskLength_ = 0;
    uint32_t pageKey_ = 0;
};

void rc4(std::span<const uint8_t> key, std::span<std::byte> data);

}  // namespace jet::detail
