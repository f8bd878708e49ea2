// A 64-bit digest of a file image (FNV-1a), fed in pieces. The stored files
// are fixed-size and mostly zeros, so a run of zero bytes is taken in one
// step: the digest of a list's file image is found without building it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace keyloom {

class ImageDigest {
public:
    static ImageDigest of(std::string_view bytes) {
        ImageDigest digest;
        digest.add(bytes.data(), bytes.size());
        return digest;
    }
    void add(const void* bytes, size_t count);
    void addZeros(uint64_t count);
    uint64_t length() const { return length_; }
    uint64_t value() const { return hash_; }
    bool operator==(const ImageDigest&) const = default;

private:
    uint64_t length_ = 0;
    uint64_t hash_ = 14695981039346656037ull;
};

// Writes a fixed-size file image as pieces in increasing order: `put(offset,
// bytes, count)`; what no piece covers is zero.
using ImagePieces = std::function<void(size_t offset, const void* bytes, size_t count)>;

// The image as bytes, and its digest, from the same pieces.
std::string ImageBytes(size_t size, const std::function<void(const ImagePieces&)>& write);
// The same into `image`, whose storage is reused when it has room.
void ImageBytesInto(std::string& image, size_t size, const std::function<void(const ImagePieces&)>& write);
ImageDigest ImageDigestOf(size_t size, const std::function<void(const ImagePieces&)>& write);

}  // namespace keyloom
