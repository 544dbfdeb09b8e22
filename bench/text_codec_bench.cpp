// Benchmark of line-by-line decoding and encoding as an apply run does it: 1001 pages of
// 20 KiB, every line decoded and encoded again, in CP932 and UTF-8, ASCII and Japanese lines.
#include "platform/text_codec.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

using namespace solvina;

namespace {

constexpr int kPages = 1001;
constexpr std::size_t kPageBytes = 20 * 1024;

std::vector<std::string> pageLines(const std::string& line) {
    std::vector<std::string> lines;
    for (std::size_t size = 0; size < kPageBytes; size += line.size() + 1)
        lines.push_back(line);
    return lines;
}

// Seconds to decode and re-encode every line of the site; returns a checksum to keep the work.
double timeSite(const TextCodec& codec, const std::vector<std::string>& lines, std::size_t& sum) {
    const auto start = std::chrono::steady_clock::now();
    for (int page = 0; page < kPages; ++page) {
        for (const std::string& line : lines) {
            const std::string text = codec.decode(line);
            Result<std::string> bytes = codec.encode(text, Unencodable::NumericCharReference);
            sum += bytes.ok() ? bytes->size() : 0;
        }
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main() {
    const std::string asciiLine = "<p><a href=\"chapter/section.htm\">A line of plain ASCII "
                                  "markup</a> with some text.</p>";
    const std::string japanese = "<p>ソルビナの表能力を試すための日本語の行です。</p>";
    Result<TextCodec> utf8 = TextCodec::open("UTF-8");
    if (!utf8) {
        std::fprintf(stderr, "%s\n", utf8.error().c_str());
        return 1;
    }
    Result<std::string> japaneseCp932 = cp932().encode(japanese, Unencodable::Fail);
    if (!japaneseCp932) {
        std::fprintf(stderr, "%s\n", japaneseCp932.error().c_str());
        return 1;
    }

    std::size_t sum = 0;
    const double cp932Ascii = timeSite(cp932(), pageLines(asciiLine), sum);
    const double cp932Japanese = timeSite(cp932(), pageLines(*japaneseCp932), sum);
    const double utf8Ascii = timeSite(*utf8, pageLines(asciiLine), sum);
    const double utf8Japanese = timeSite(*utf8, pageLines(japanese), sum);

    std::printf("1001 pages of 20 KiB, each line decoded and encoded again:\n");
    std::printf("  CP932 ASCII lines     %.3f s\n", cp932Ascii);
    std::printf("  CP932 Japanese lines  %.3f s  (%.1fx the ASCII lines)\n", cp932Japanese,
                cp932Japanese / cp932Ascii);
    std::printf("  UTF-8 ASCII lines     %.3f s\n", utf8Ascii);
    std::printf("  UTF-8 Japanese lines  %.3f s  (%.1fx the ASCII lines)\n", utf8Japanese,
                utf8Japanese / utf8Ascii);
    std::printf("(checksum %zu)\n", sum);
    return 0;
}
