#include "jet/page_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace jet::detail {

namespace {

class FileSource final : public ByteSource {
public:
    FileSource(int fd, uint64_t size) : fd_(fd), size_(size) {}
    ~FileSource() override { ::close(fd_); }
    uint64_t size() const override { return size_; }
    bool readAt(uint64_t offset, std::span<std::byte> out) override {
        size_t done = 0;
        while (done < out.size()) {
            ssize_t n = ::pread(fd_, out.data() + done, out.size() - done, off_t(offset + done));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            done += size_t(n);
        }
        return true;
    }

private:
    int fd_;
    uint64_t size_;
};

class BufferSource final : public ByteSource {
public:
    explicit BufferSource(std::vector<std::byte> b) : bytes_(std::move(b)) {}
    uint64_t size() const override { return bytes_.size(); }
    bool readAt(uint64_t offset, std::span<std::byte> out) override {
        if (!fits(bytes_.size(), offset, out.size())) return false;
        std::memcpy(out.data(), bytes_.data() + offset, out.size());
        return true;
    }

private:
    std::vector<std::byte> bytes_;
};

}  // namespace

Result<std::unique_ptr<ByteSource>> openFileSource(const std::string& path) {
    // O_NONBLOCK: opening a FIFO must not wait for a writer; regular files read as usual.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        int e = errno;
        if (e == ENOENT) return makeError("file not found: " + path);
        return makeError("cannot open " + path + ": " + std::strerror(e));
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        int e = errno;
        ::close(fd);
        return makeError("cannot read " + path + ": " + std::strerror(e));
    }
    if (S_ISDIR(st.st_mode)) {
        ::close(fd);
        return makeError(path + " is a directory, not a database file");
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        const char* what = S_ISFIFO(st.st_mode)                        ? "a named pipe (FIFO)"
                           : S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) ? "a device"
                           : S_ISSOCK(st.st_mode)                       ? "a socket"
                                                                         : "no regular file";
        return makeError(path + " is " + what + ", not a database file");
    }
#ifdef POSIX_FADV_SEQUENTIAL
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
    return std::unique_ptr<ByteSource>(new FileSource(fd, uint64_t(st.st_size)));
}

std::unique_ptr<ByteSource> makeBufferSource(std::vector<std::byte> bytes) {
    return std::make_unique<BufferSource>(std::move(bytes));
}

void rc4(std::span<const uint8_t> key, std::span<std::byte> data) {
    if (key.empty()) return;
    uint8_t s[256];
    for (int i = 0; i < 256; ++i) s[i] = uint8_t(i);
    uint8_t j = 0;
    for (int i = 0; i < 256; ++i) {
        j = uint8_t(j + s[i] + key[size_t(i) % key.size()]);
        std::swap(s[i], s[j]);
    }
    uint8_t a = 0, b = 0;
    for (auto& byte : data) {
        a = uint8_t(a + 1);
        b = uint8_t(b + s[a]);
        std::swap(s[a], s[b]);
        byte ^= std::byte(s[uint8_t(s[a] + s[b])]);
    }
}

PageStore::PageStore(std::unique_ptr<ByteSource> src, uint32_t pageSize, size_t cachePages)
    : src_(std::move(src)), pageSize_(pageSize) {
    uint64_t count = src_->size() / pageSize_;
    pageCount_ = count > 0xFFFFFFFFull ? 0xFFFFFFFFu : uint32_t(count);
    // Reading 16 pages at a time keeps sequential scans cheap; the cache stays bounded.
    chunkPages_ = 16;
    maxChunks_ = cachePages / chunkPages_;
    if (maxChunks_ < 4) maxChunks_ = 4;
}

void PageStore::setHeaderMask(size_t start, size_t length) {
    maskStart_ = start;
    maskLength_ = length;
    chunks_.clear();
    lru_.clear();
}

void PageStore::setPageKey(uint32_t key) {
    pageKey_ = key;
    chunks_.clear();
    lru_.clear();
}

void PageStore::decode(std::byte* page, uint32_t number) {
    if (number == 0) {
        if (maskLength_ > 0 && fits(pageSize_, maskStart_, maskLength_)) {
            static constexpr uint8_t kHeaderKey[4] = {0xC7, 0xDA, 0x39, 0x6B};
            rc4(kHeaderKey, std::span<std::byte>(page + maskStart_, maskLength_));
        }
        return;
    }
    if (pageKey_ != 0) {
        uint32_t k = pageKey_ ^ number;
        uint8_t key[4] = {uint8_t(k), uint8_t(k >> 8), uint8_t(k >> 16), uint8_t(k >> 24)};
        rc4(key, std::span<std::byte>(page, pageSize_));
    }
}

Result<PageStore::Chunk*> PageStore::load(uint32_t chunkIndex) {
    auto it = chunks_.find(chunkIndex);
    if (it != chunks_.end()) {
        lru_.splice(lru_.begin(), lru_, it->second.lru);
        return &it->second;
    }
    uint32_t first = chunkIndex * chunkPages_;
    uint32_t count = std::min<uint32_t>(chunkPages_, pageCount_ - first);
    const size_t bytes = size_t(count) * pageSize_;
    std::shared_ptr<std::byte[]> data(new std::byte[bytes]);  // filled by the read, not zeroed first
    if (!src_->readAt(uint64_t(first) * pageSize_, std::span<std::byte>(data.get(), bytes)))
        return makeError("cannot read page from file", int64_t(first), 0);
    for (uint32_t i = 0; i < count; ++i) decode(data.get() + size_t(i) * pageSize_, first + i);

    while (chunks_.size() >= maxChunks_ && !lru_.empty()) {
        chunks_.erase(lru_.back());
        lru_.pop_back();
    }
    lru_.push_front(chunkIndex);
    Chunk& c = chunks_[chunkIndex];
    c.data = std::move(data);
    c.first = first;
    c.count = count;
    c.lru = lru_.begin();
    return &c;
}

Result<PageRef> PageStore::page(uint32_t n) {
    if (n >= pageCount_)
        return makeError("page number " + std::to_string(n) + " is beyond the end of the file (" +
                             std::to_string(pageCount_) + " pages)",
                         int64_t(n));
    auto chunk = load(n / chunkPages_);
    if (!chunk) {
        // The chunk could not be read whole (a file cut short while it is read): this page alone
        // may still be there, so that only the pages really gone are lost.
        std::shared_ptr<std::byte[]> data(new std::byte[pageSize_]);
        if (!src_->readAt(uint64_t(n) * pageSize_, std::span<std::byte>(data.get(), pageSize_)))
            return makeError("cannot read page " + std::to_string(n) +
                                 " from the file (it ended early or could not be read; was it changed while open?)",
                             int64_t(n), 0);
        decode(data.get(), n);
        PageRef ref;
        ref.bytes = ByteSpan(data.get(), pageSize_);
        ref.holder = std::move(data);
        ref.number = n;
        return ref;
    }
    Chunk* c = *chunk;
    PageRef ref;
    ref.holder = c->data;
    ref.bytes = ByteSpan(c->data.get() + size_t(n - c->first) * pageSize_, pageSize_);
    ref.number = n;
    return ref;
}

}  // namespace jet::detail
