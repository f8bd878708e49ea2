#include "base/image_digest.h"

#include <cstring>
#include <string>

namespace keyloom {

namespace {
constexpr uint64_t kPrime = 1099511628211ull;
}

void ImageDigest::add(const void* bytes, size_t count) {
    const auto* at = static_cast<const unsigned char*>(bytes);
    for (size_t i = 0; i < count; ++i) hash_ = (hash_ ^ at[i]) * kPrime;
    length_ += count;
}

void ImageDigest::addZeros(uint64_t count) {
    // Each zero byte multiplies by the prime: count of them by prime^count.
    uint64_t factor = 1, base = kPrime;
    for (uint64_t n = count; n; n >>= 1, base *= base)
        if (n & 1) factor *= base;
    hash_ *= factor;
    length_ += count;
}

std::string ImageBytes(size_t size, const std::function<void(const ImagePieces&)>& write) {
    std::string image;
    ImageBytesInto(image, size, write);
    return image;
}

void ImageBytesInto(std::string& image, size_t size, const std::function<void(const ImagePieces&)>& write) {
    image.assign(size, '\0');
    size_t end = 0;  // the pieces' rule is the digest's: in order, within the size
    write([&](size_t offset, const void* bytes, size_t count) {
        if (offset < end || offset > size || count > size - offset) return;
        std::memcpy(image.data() + offset, bytes, count);
        end = offset + count;
    });
}

ImageDigest ImageDigestOf(size_t size, const std::function<void(const ImagePieces&)>& write) {
    ImageDigest digest;
    write([&](size_t offset, const void* bytes, size_t count) {
        if (offset < digest.length() || offset > size || count > size - offset) return;  // out of order or beyond
        digest.addZeros(offset - digest.length());
        digest.add(bytes, count);
    });
    digest.addZeros(size - digest.length());
    return digest;
}

}  // namespace keyloom
