// The site fixture of the apply tests.
#include "apply_fixture.h"

#include "apply/page_encoding.h"
#include "platform/file_system.h"
#include "platform/text_codec.h"

#include <filesystem>

namespace solvina::test_support {

ApplyFixture::ApplyFixture() : style(programStartStyle()) {
    style.styleName = "Std";
    for (int i = 0; i < kRowCount; ++i)
        style.rows[i].text = kNewStyleRowTexts[i];
    styleFolder = dir / "lib/Std/";
    dir.write("lib/Std/Std.sty", "<quibrel v1.0>\r\n");
}

std::string ApplyFixture::pageText(const std::string& relative) const {
    std::string bytes = readPage(relative);
    Utf8Validator validator;
    validator.feed(bytes);
    return validator.valid() ? bytes : cp932().decode(bytes);
}

ApplyRunSummary ApplyFixture::apply(const std::string& topPage) {
    options.topPagePath = site(topPage);
    ApplyEnvironment env{*fileSystem, style, styleFolder, reporter, undo, &stopAsked};
    state.reset();
    return runApply(options, state, env);
}

std::vector<std::string> ApplyFixture::leftoverTemporaryFiles() const {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(site("")))
        if (entry.path().extension() == ".tmp")
            found.push_back(entry.path().string());
    return found;
}

} // namespace solvina::test_support
