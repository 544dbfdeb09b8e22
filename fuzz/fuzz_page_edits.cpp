// Fuzz target: a page's pass writes the new page line by line; the writing phase instead copies
// the page around the edits the pass recorded. Both must give the same bytes. And a planning
// pass that takes long lines in pieces must find the links, titles, blocks and edits that one
// holding each line whole finds. Byte 0 chooses the options, the encoding and how long a line
// may grow before it is cut, byte 1 how many bytes one read hands out; the rest is the page.
#include "apply/bytes_input.h"
#include "apply/page_edits.h"
#include "apply/page_pass.h"
#include "support/piece_input.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

using namespace solvina;

class StringOutput final : public OutputFile {
public:
    Status write(std::string_view bytes) override {
        text += bytes;
        return {};
    }
    Status close() override { return {}; }
    std::string text;
};

// What a planning pass over a page finds, all of it.
struct Planned {
    bool passed = false;
    std::string written;
    std::string links;  // the targets handed on, in order, with the title then
    std::string titles; // the title entry at each block, then at the end
    std::vector<PageEdit> edits;
    std::string firstLineEnd;
    bool operator==(const Planned&) const = default;
};

Planned plan(const std::string& page, const ApplyOptions& options, const PageCodec& codec,
             int level, std::size_t piece, const LongLineRules* rules) {
    Planned planned;
    ApplyRunState state;
    state.levelLinks[level] = "sub/page.htm";
    PagePass pass(
        options, state, codec, level,
        [&](const std::vector<std::string>& targets) {
            // The pages a link reaches show the page's title as it stands then.
            for (const std::string& target : targets)
                planned.links += state.levelTitles[level] + '\1' + target + '\0';
        },
        [&](const std::string& title) {
            planned.titles += title + '\n';
            return std::vector<std::string>{"<b>"};
        });
    test_support::PieceInput input(page, piece);
    LineReader reader(input);
    if (rules)
        reader.takeLongLinesInPieces(*rules);
    StringOutput written;
    planned.passed = static_cast<bool>(pass.run(reader, written));
    planned.written = std::move(written.text);
    planned.titles += state.levelTitles[level];
    planned.edits = pass.takeEdits();
    planned.firstLineEnd = pass.firstLineEnd();
    return planned;
}

const PageCodec& pageCodec(bool utf8) {
    static const PageCodec utf8Codec({"UTF-8", "UTF-8"}, *TextCodec::open("UTF-8"));
    static const PageCodec shiftJis({"Shift_JIS", "CP932"}, *TextCodec::open("CP932"));
    return utf8 ? utf8Codec : shiftJis;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    ApplyOptions options;
    options.insertAtTop = data[0] & 1;
    options.insertAtBottom = data[0] & 2;
    options.skipTopPage = data[0] & 4;
    options.eraseAll = data[0] & 8;
    const int level = (data[0] & 16) ? 0 : 1;
    const PageCodec& codec = pageCodec(data[0] & 32);
    const std::size_t piece = data[1] == 0 ? 64 * 1024 : data[1];
    const std::string page(reinterpret_cast<const char*>(data) + 2, size - 2);

    LongLineRules rules;
    rules.codec = &codec;
    rules.bothBodyTags = options.insertAtTop && options.insertAtBottom;
    rules.longLine = 1 + (data[0] >> 6) * 16;
    if (plan(page, options, codec, level, piece, nullptr) !=
        plan(page, options, codec, level, piece, &rules))
        std::abort();

    // Each block says which it is, so that a block written in the wrong place or order shows.
    std::size_t passBlocks = 0;
    ApplyRunState state;
    state.levelLinks[level] = "sub/page.htm";
    PagePass pass(options, state, codec, level, LinkFollower(), [&](const std::string&) {
        return std::vector<std::string>{"<b>", std::to_string(passBlocks++)};
    });
    test_support::PieceInput passInput(page, piece);
    LineReader reader(passInput);
    StringOutput written;
    if (!pass.run(reader, written))
        return 0; // an old block without its end: the page is not written
    const std::vector<PageEdit> edits = pass.takeEdits();

    // Read in pieces, and held in memory as the planning keeps a small page.
    const std::string lineEnd = pass.firstLineEnd();
    const auto writeBlock = [&](std::size_t block, OutputFile& out) -> Status {
        for (const std::string& line : {std::string("<b>"), std::to_string(block)}) {
            if (auto status = out.write(codec.encode(line)); !status)
                return status;
            if (auto status = out.write(lineEnd); !status)
                return status;
        }
        return {};
    };
    test_support::PieceInput copyInput(page, piece);
    StringOutput edited;
    if (!writeEditedPage(copyInput, edited, edits, lineEnd, writeBlock) ||
        edited.text != written.text)
        std::abort();
    BytesInput heldInput(page);
    StringOutput fromHeld;
    if (!writeEditedPage(heldInput, fromHeld, edits, lineEnd, writeBlock) ||
        fromHeld.text != written.text)
        std::abort();
    return 0;
}
