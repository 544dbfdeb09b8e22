// The digest that tells whether a file still holds the bytes a run wrote: XXH3's 128 bits for
// the runs kept now (fast on every processor, and only ever compared with the site's own
// files), SHA-256 for the runs kept by earlier versions. Written with its kind in front:
// "xxh128:" or "sha256:", then lowercase hexadecimal digits.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>

namespace solvina {

enum class DigestKind {
    Xxh128, // XXH3, 128 bits: the runs kept now
    Sha256, // the runs kept by earlier versions
};

// The kind of a digest written as above; an unknown one reads as SHA-256, the earlier kind.
DigestKind digestKindOf(std::string_view digest);
// The name of the kind, as in the digest and in the kept run's record.
std::string_view digestKindName(DigestKind kind);

// The bytes of an XXH3 128-bit digest, held in place: a run keeps one for each page it writes.
using Xxh128Bytes = std::array<unsigned char, 16>;
// Those bytes written as a digest of that kind is written.
std::string xxh128Text(const Xxh128Bytes& bytes);

class ContentDigest {
public:
    explicit ContentDigest(DigestKind kind = DigestKind::Xxh128);
    ~ContentDigest();
    ContentDigest(ContentDigest&&) noexcept;
    ContentDigest& operator=(ContentDigest&&) noexcept;

    void add(std::string_view bytes);
    // The digest with its kind in front; the object is spent afterwards.
    std::string finish();
    // The bytes of a digest of the XXH3 kind; the object is spent afterwards.
    Xxh128Bytes finishXxh128();

private:
    struct State;
    // The state of the digest last dropped on this thread, for the next one: a run takes a
    // digest a page, and allocating the aligned state each time leaves the heap in pieces.
    static std::unique_ptr<State>& spareState();
    std::unique_ptr<State> m_state;
};

// Tests: true makes every XXH3 digest take the portable form even where the processor has
// AVX2, so that both are checked against the same vectors.
void useOnlyPortableXxh3(bool portableOnly);

} // namespace solvina
