// Opening a page and deciding its encoding.
#include "apply/page_opening.h"

#include "apply/line_reader.h"
#include "apply/page_encoding.h"

namespace solvina {

namespace {

constexpr std::size_t kHeadSize = 1024;
constexpr std::size_t kKeptPageSize = std::size_t{256} * 1024;

// Reads from file until buffer holds at least size bytes or the file ends.
Status readAtLeast(InputFile& file, std::string& buffer, std::size_t size) {
    while (buffer.size() < size) {
        auto got = appendRead(file, buffer, kReadSize);
        if (!got)
            return std::move(got).takeError();
        if (*got == 0)
            break;
    }
    return {};
}

} // namespace

Result<std::unique_ptr<InputFile>> openPage(FileSystem& fs, const std::string& path,
                                            EncodingInfo& encoding, std::string& head) {
    auto file = fs.openForReading(path);
    if (!file)
        return file;
    if (auto status = readAtLeast(**file, head, kHeadSize); !status)
        return std::move(status).takeError();
    if (auto declared = declaredPageEncoding(std::string_view(head).substr(0, kHeadSize))) {
        encoding = *declared;
        return file;
    }
    // Without a declaration the whole page decides between UTF-8 and CP932; it is read once
    // for that. A small page is kept for the pass; a larger one is opened again, so that memory
    // does not grow with the size of a page.
    Utf8Validator validator;
    validator.feed(head);
    bool kept = head.size() <= kKeptPageSize;
    std::string chunk;
    for (;;) {
        chunk.resize(kReadSize);
        auto got = (*file)->read(chunk.data(), chunk.size());
        if (!got)
            return std::move(got).takeError();
        if (*got == 0)
            break;
        const std::string_view bytes(chunk.data(), *got);
        validator.feed(bytes);
        kept = kept && head.size() + bytes.size() <= kKeptPageSize;
        if (kept)
            head += bytes;
    }
    encoding = undeclaredPageEncoding(validator);
    if (kept)
        return file; // at its end: the pass reads head alone
    head.clear();
    return fs.openForReading(path);
}

const PageCodec* codecFor(PageCodecs& codecs, const EncodingInfo& encoding) {
    auto found = codecs.find(encoding.name);
    if (found != codecs.end())
        return found->second.get();
    auto codec = TextCodec::open(encoding.iconvName);
    if (!codec)
        return nullptr;
    auto page = std::make_unique<PageCodec>(encoding, std::move(*codec));
    return codecs.emplace(encoding.name, std::move(page)).first->second.get();
}

} // namespace solvina
