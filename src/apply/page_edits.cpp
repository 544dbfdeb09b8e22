// Copying a page around its edits.
#include "apply/page_edits.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace solvina {

namespace {

constexpr std::size_t kCopySize = std::size_t{64} * 1024;

// Copies a page's bytes to the new page up to a point, and passes over dropped bytes.
class ByteCopier {
public:
    ByteCopier(InputFile& input, OutputFile& output) : m_input(input), m_output(output) {}

    // Copies (or, when copying is false, passes over) the bytes up to offset; to the end of
    // the page when there is none.
    Status moveTo(std::optional<std::uint64_t> offset, bool copying) {
        while (!offset || m_position < *offset) {
            if (m_start == m_size) {
                // Read straight into the buffer: the bytes are copied once, into the new page.
                m_start = 0;
                m_size = 0;
                auto got = m_input.read(m_buffer->data(), kCopySize);
                if (!got)
                    return std::move(got).takeError();
                if (*got == 0)
                    return offset ? fail(kChangedSincePlanned) : Status{};
                m_size = *got;
            }
            std::size_t size = m_size - m_start;
            if (offset)
                size =
                    static_cast<std::size_t>(std::min<std::uint64_t>(size, *offset - m_position));
            if (copying)
                if (auto status =
                        m_output.write(std::string_view(m_buffer->data() + m_start, size));
                    !status)
                    return status;
            m_start += size;
            m_position += size;
        }
        return {};
    }

private:
    InputFile& m_input;
    OutputFile& m_output;
    // Left uninitialised: every byte is read into before it is used.
    std::unique_ptr<std::array<char, kCopySize>> m_buffer =
        std::make_unique_for_overwrite<std::array<char, kCopySize>>();
    std::size_t m_size = 0;       // bytes read into it
    std::size_t m_start = 0;      // first byte not yet copied
    std::uint64_t m_position = 0; // in the page, of m_buffer[m_start]
};

} // namespace

std::uint64_t pageOffsetOf(const std::vector<LinePiece>& pieces, std::size_t pos) {
    auto piece = std::upper_bound(pieces.begin(), pieces.end(), pos,
                                  [](std::size_t at, const LinePiece& p) { return at < p.at; });
    --piece; // the first piece starts at 0
    return piece->offset + (pos - piece->at);
}

void addDrop(std::vector<PageEdit>& edits, std::uint64_t from, std::uint64_t to) {
    if (to <= from)
        return;
    // An old block found in the text left beside another reaches over that one's drop.
    while (!edits.empty() && edits.back().dropped > 0 && edits.back().offset >= from) {
        to = std::max(to, edits.back().offset + edits.back().dropped);
        edits.pop_back();
    }
    edits.push_back({from, to - from, false});
}

namespace {

// ByteCopier for a page held in memory: its bytes go to the output as they stand.
class HeldCopier {
public:
    HeldCopier(std::string_view page, OutputFile& output) : m_page(page), m_output(output) {}

    Status moveTo(std::optional<std::uint64_t> offset, bool copying) {
        const std::uint64_t to = offset.value_or(m_page.size());
        if (to <= m_position)
            return {};
        if (to > m_page.size())
            return fail(kChangedSincePlanned);
        if (copying)
            if (auto status = m_output.write(m_page.substr(m_position, to - m_position)); !status)
                return status;
        m_position = to;
        return {};
    }

private:
    std::string_view m_page;
    OutputFile& m_output;
    std::uint64_t m_position = 0;
};

template <typename Copier>
Status copyAroundEdits(Copier& copier, OutputFile& output, std::span<const PageEdit> edits,
                       std::string_view firstLineEnd, const BlockWriter& writeBlock) {
    std::size_t block = 0;
    for (const PageEdit& edit : edits) {
        if (auto status = copier.moveTo(edit.offset, true); !status)
            return status;
        if (edit.dropped > 0) {
            if (auto status = copier.moveTo(edit.offset + edit.dropped, false); !status)
                return status;
            continue;
        }
        if (edit.lineEndFirst)
            if (auto status = output.write(firstLineEnd); !status)
                return status;
        if (auto status = writeBlock(block++, output); !status)
            return status;
    }
    return copier.moveTo(std::nullopt, true);
}

// Takes what is written to a page held in memory as a list of pieces, to be written at once:
// the page's own bytes where they stand, anything else (a block) kept here.
class GatheringOutput final : public OutputFile {
public:
    explicit GatheringOutput(std::string_view page) : m_page(page) {}

    Status write(std::string_view bytes) override {
        if (bytes.empty())
            return {};
        const auto at = reinterpret_cast<std::uintptr_t>(bytes.data());
        const auto page = reinterpret_cast<std::uintptr_t>(m_page.data());
        if (at >= page && at - page + bytes.size() <= m_page.size())
            m_pieces.push_back(bytes);
        else
            m_pieces.push_back(m_kept.emplace_back(bytes));
        return {};
    }
    Status close() override { return {}; }
    std::span<const std::string_view> pieces() const { return m_pieces; }

private:
    std::string_view m_page;
    std::deque<std::string> m_kept; // where each stays while more are added
    std::vector<std::string_view> m_pieces;
};

} // namespace

Status writeEditedPage(InputFile& input, OutputFile& output, std::span<const PageEdit> edits,
                       std::string_view firstLineEnd, const BlockWriter& writeBlock) {
    // A page the planning kept need not be read (copied) again.
    if (const auto held = input.heldBytes()) {
        GatheringOutput gathered(*held);
        HeldCopier copier(*held, gathered);
        if (Status copied = copyAroundEdits(copier, gathered, edits, firstLineEnd, writeBlock);
            !copied)
            return copied;
        return output.writePieces(gathered.pieces());
    }
    ByteCopier copier(input, output);
    return copyAroundEdits(copier, output, edits, firstLineEnd, writeBlock);
}

} // namespace solvina
