// Opening a page for its pass: its encoding decided from its head (or, undeclared, from all of
// its bytes), and a codec made once for each encoding.
#pragma once

#include "apply/page_codec.h"
#include "platform/encoding_table.h"
#include "platform/file_system.h"
#include "platform/result.h"

#include <map>
#include <memory>
#include <string>

namespace solvina {

// The codecs of a run's pages, by encoding name.
using PageCodecs = std::map<std::string, std::unique_ptr<PageCodec>>;

// Opens the page and decides its encoding; head receives the bytes already read, which the
// pass reads before the rest of the file.
Result<std::unique_ptr<InputFile>> openPage(FileSystem& fs, const std::string& path,
                                            EncodingInfo& encoding, std::string& head);

// The codec of an encoding, made the first time; nullptr when the system has none for it.
const PageCodec* codecFor(PageCodecs& codecs, const EncodingInfo& encoding);

// Where a planning pass writes: nowhere.
class DiscardedOutput final : public OutputFile {
public:
    Status write(std::string_view) override { return {}; }
    Status close() override { return {}; }
};

} // namespace solvina
